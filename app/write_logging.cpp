#include "app/write_logging.h"

#include "app/machine_folder.h"
#include "hw/concat.h"
#include "hw/pci_registers.h"
#include "hw/windows_family.h"
#include "model/write_log.h"
#include "ui/messages.h"

namespace {

bool failureTold = false;

// Under the port lock, which every Quillon takes for its writes anyway: two Quillons'
// entries, and a trim beside an append, never meet. Ports busy past the lock's wait
// must not cost the entry: it is then stored without.
bool StoreEntry(const std::string& logPath, const std::string& entry) {
    try {
        const PortsHeld held;
        return AppendToWriteLog(logPath, entry);
    } catch (const std::exception&) {
        return AppendToWriteLog(logPath, entry);
    }
}

}  // namespace

std::string WriteLogPath() { return MachineFilePath("quillon.log"); }

void LogRegisterWrite(const RegisterWrite& write, WriteOrigin origin, const std::string& settingsPath) {
    const std::string logPath = WriteLogPath();
    const bool stored = !logPath.empty() &&
                        StoreEntry(logPath, WriteLogEntry(write, LocalTimeText(), origin, settingsPath));
    // A link in the log's place, or in the folder's, is said as such (once a run).
    if (stored || RefusedAsLink(logPath.empty() ? MachineQuillonFolder() : logPath)) return;
    if (failureTold) return;
    failureTold = true;
    ShowProgramMessage(Concat({"This write could not be added to Quillon's log, \"", logPath,
                               "\". The registers were written all the same."}),
                       kApplicationTitle);
}

void LogUnsavedBootValues(const RegisterValues& firstRead, const std::string& snapshotPath) {
    const std::string logPath = WriteLogPath();
    if (!logPath.empty()) StoreEntry(logPath, BootValuesNote(firstRead, LocalTimeText(), snapshotPath));
}

void LogWindowWrite(const RegisterWrite& write) { LogRegisterWrite(write, WriteOrigin::Window, ""); }
