#include "app/write_logging.h"

#include "app/app_paths.h"
#include "hw/code_page.h"
#include "hw/path_text.h"
#include "model/write_log.h"

namespace {

// Windows starts a Run entry in the system folder, not in Quillon's: the log of a logon
// apply goes beside the logon's file, where the window that registered it keeps its own.
std::string LogPathOf(WriteOrigin origin, const std::string& settingsPath) {
    const std::string folder =
        origin == WriteOrigin::Logon ? FolderPart(settingsPath, IsSystemLeadByte) : std::string();
    return folder.empty() ? LogFilePath : folder + "quillon.log";
}

}  // namespace

void LogRegisterWrite(const RegisterWrite& write, WriteOrigin origin, const std::string& settingsPath) {
    AppendToWriteLog(LogPathOf(origin, settingsPath),
                     WriteLogEntry(write, LocalTimeText(), origin, settingsPath));
}

void LogWindowWrite(const RegisterWrite& write) { LogRegisterWrite(write, WriteOrigin::Window, ""); }
