#include "app/write_logging.h"

#include "app/app_paths.h"
#include "model/write_log.h"

void LogRegisterWrite(const RegisterWrite& write, WriteOrigin origin, const std::string& settingsPath) {
    AppendToWriteLog(LogFilePath, WriteLogEntry(write, LocalTimeText(), origin, settingsPath));
}

void LogWindowWrite(const RegisterWrite& write) { LogRegisterWrite(write, WriteOrigin::Window, ""); }
