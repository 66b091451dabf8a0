#include "app/file_apply.h"

#include "hw/concat.h"
#include "hw/windows_family.h"

#include <windows.h>

#include "app/app_paths.h"
#include "app/boot_snapshot.h"
#include "app/command_line.h"
#include "app/confirmation_wait.h"
#include "app/logon_rules.h"
#include "app/machine_check.h"
#include "app/pending_record.h"
#include "app/run_key.h"
#include "app/write_logging.h"
#include "hw/pci_registers.h"
#include "model/settings.h"
#include "model/write_report.h"
#include "ui/messages.h"

namespace {

// A logon apply is one of the file the Run value names, however either is spelled.
bool IsLogonApply(const std::string& settingsPath) {
    const std::string command = ReadRunCommand();
    return !command.empty() &&
           SamePath(FullLongPathOf(SettingsPathOfCommand(command)), FullLongPathOf(settingsPath));
}

bool ShiftKeyHeld() {
    const SHORT state =
        GetAsyncKeyState(VK_SHIFT) | GetAsyncKeyState(VK_LSHIFT) | GetAsyncKeyState(VK_RSHIFT);
    return (state & 0x8000) != 0;
}

// Read only to shorten the watch for tests.
const char kShiftWatchVariable[] = "QUILLON_SHIFT_WATCH_MS";

// Whether Shift is down at any look during the first seconds; ends at the first.
bool ShiftPressedWhileWatching() {
    const unsigned watchMs = ShiftWatchMilliseconds(EnvironmentText(kShiftWatchVariable));
    for (unsigned waited = 0;; waited += kShiftPollMs) {
        if (ShiftKeyHeld()) return true;
        if (waited >= watchMs) return false;
        Sleep(kShiftPollMs);
    }
}

void ReportFailedLoad(const std::string& settingsPath) {
    ShowProgramMessage(Concat({"Unable to load register file \"", settingsPath, "\""}), kApplicationTitle);
}

// A file saved on another chipset or board is never written here unasked; the window
// is where the user can look at its values and decide.
bool FitsThisMachine(const std::string& settingsPath) {
    const std::string differences = MachineDifferencesOfFile(settingsPath.c_str());
    if (differences.empty()) return true;
    ShowProgramMessage(OtherMachineRefusal(settingsPath, differences), kApplicationTitle);
    return false;
}

// Reads all registers, so that what the file does not name keeps its present value,
// takes the boot's snapshot from them if it is the first run of the boot, loads the
// file into them and, when it loaded, writes them all: under one hold of the
// ports, so that another Quillon's Set cannot land between the read and the write and
// be reverted by it. The write goes into the log, and what the chipset did not keep or
// a failed load is said, once the ports are free again.
bool ApplyUnderOneHold(const std::string& settingsPath, WriteOrigin origin) {
    bool loaded = false;
    RegisterWrite write{};
    {
        const PortsHeld held;
        ReadAllRegisters();
        TakeBootSnapshot();
        // The settings loader takes a missing file for an empty one, which is right for
        // the window's Load but would let a mistyped path apply nothing and say nothing.
        loaded = NamesExistingFile(settingsPath) && LoadSettings(settingsPath.c_str());
        if (loaded) write = WriteAllRegistersNoted();
    }
    if (!loaded) {
        ReportFailedLoad(settingsPath);
        return false;
    }
    LogRegisterWrite(write, origin, FullPathOf(settingsPath));
    const std::string refused = RefusedFieldsText(write);
    if (!refused.empty()) ShowProgramMessage(refused, kApplicationTitle);
    return true;
}

// A logon apply: skipped when Shift is pressed early on, asked about when the last one
// of the same file was never confirmed, recorded before the registers are touched and
// confirmed after the write.
void RunLogonApply(const std::string& settingsPath) {
    if (ShiftPressedWhileWatching()) {
        ShowProgramMessage(ShiftSkipMessage(settingsPath), kApplicationTitle);
        return;
    }
    if (!MachineReady() || !FitsThisMachine(settingsPath)) return;
    const std::string fullPath = FullLongPathOf(settingsPath);
    // The record of an apply still waiting in another session is no leftover: that
    // apply went ahead, and this one (the same tuning) is guarded as usual.
    const bool unconfirmed = PendingRecordFound(fullPath) && !LogonApplyRunningElsewhere();
    if (unconfirmed && !AskProgramQuestion(UnconfirmedApplyQuestion(settingsPath))) return;
    // A record that can be kept nowhere must not stop a working setup, nor leave it
    // unguarded without a word: said at this logon, then applied as always.
    const bool recorded = WritePendingRecord(fullPath);
    if (!recorded)
        ShowProgramMessage(UnguardedApplyMessage(settingsPath, MachineQuillonFolder()),
                           kApplicationTitle);
    bool applied = false;
    try {
        applied = ApplyUnderOneHold(settingsPath, WriteOrigin::Logon);
    } catch (...) {
        // Nothing was written (the ports stayed busy): no record of this apply stays.
        EndPendingRecord(fullPath, !unconfirmed);
        throw;
    }
    if (applied && recorded) return AwaitConfirmation(fullPath);
    EndPendingRecord(fullPath, !applied && !unconfirmed);
}

}  // namespace

void RunFileApply(const std::string& argument) {
    const std::string settingsPath = SettingsPathFromArgument(argument);
    if (IsLogonApply(settingsPath)) {
        RunLogonApply(settingsPath);
    } else if (MachineReady() && FitsThisMachine(settingsPath)) {
        ApplyUnderOneHold(settingsPath, WriteOrigin::File);
    }
}
