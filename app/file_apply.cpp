#include "app/file_apply.h"

#include "hw/concat.h"

#include <windows.h>

#include "app/app_paths.h"
#include "app/boot_snapshot.h"
#include "app/command_line.h"
#include "app/confirmation_wait.h"
#include "app/logon_rules.h"
#include "app/machine_folder.h"
#include "app/machine_check.h"
#include "app/pending_record.h"
#include "app/run_key.h"
#include "app/write_logging.h"
#include "hw/code_page.h"
#include "hw/pci_registers.h"
#include "model/settings.h"
#include "model/write_report.h"
#include "ui/messages.h"

namespace {

// A logon apply is one of the file the Run value names, however either is spelled. A
// value that cannot be read might name any file: every apply is then guarded, as an
// unguarded logon apply could lock the user out.
bool IsLogonApply(const std::string& settingsPath) {
    const RunCommand run = ReadRunCommand();
    if (run.state != RunCommandState::Read) return run.state == RunCommandState::Unreadable;
    return SamePath(FullLongPathOf(SettingsPathOfCommand(run.command)), FullLongPathOf(settingsPath),
                    IsSystemLeadByte);
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

// What one apply of a file came to: whether it loaded, and if so the write.
struct ApplyOutcome {
    bool loaded = false;
    RegisterWrite write{};
};

// Reads all registers, so that what the file does not name keeps its present value,
// loads the file into them, takes the boot's snapshot from what was read if it is the
// first run of the boot and, when the file loaded, writes them all: under one hold of the
// ports, so that another Quillon's Set cannot land between the read and the write and
// be reverted by it. Says nothing: its caller tells the outcome once the ports are free
// again and its own records are in order.
ApplyOutcome ApplyUnderOneHold(const std::string& settingsPath) {
    ApplyOutcome outcome;
    const PortsHeld held;
    ReadAllRegisters();
    // The settings loader takes a missing file for an empty one, which is right for
    // the window's Load but would let a mistyped path apply nothing and say nothing.
    // Read before the snapshot is taken: the file may be the snapshot itself.
    outcome.loaded = NamesExistingFile(settingsPath) && LoadSettings(settingsPath.c_str());
    TakeBootSnapshot();
    if (outcome.loaded) outcome.write = WriteAllRegistersNoted();
    return outcome;
}

// The write goes into the log, and what the chipset did not keep is said.
void TellWrite(const RegisterWrite& write, WriteOrigin origin, const std::string& settingsPath) {
    LogRegisterWrite(write, origin, FullPathOf(settingsPath));
    const std::string refused = RefusedFieldsText(write);
    if (!refused.empty()) ShowProgramMessage(refused, kApplicationTitle);
}

void RunPlainApply(const std::string& settingsPath) {
    const ApplyOutcome outcome = ApplyUnderOneHold(settingsPath);
    if (outcome.loaded)
        TellWrite(outcome.write, WriteOrigin::File, settingsPath);
    else
        ReportFailedLoad(settingsPath);
}

// A logon apply: skipped when Shift is pressed early on, asked about when the last one
// of the same file was never confirmed, recorded before the registers are touched and
// confirmed after the write. The guard that hears the end of the session is there
// before the record is, and stays until the record's fate is settled: the session may
// end while the apply waits for the ports, writes, or shows a box.
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
    // The listener of the session's end is there before the record is.
    ConfirmationGuard guard(fullPath, unconfirmed);
    // A record that can be kept nowhere must not stop a working setup, nor leave it
    // unguarded without a word: said at this logon, then applied as always.
    const bool recorded = guard.WriteRecord();
    if (!recorded)
        ShowProgramMessage(UnguardedApplyMessage(settingsPath, MachineRecordFolderPath()),
                           kApplicationTitle);
    ApplyOutcome outcome;
    try {
        outcome = ApplyUnderOneHold(settingsPath);
    } catch (...) {
        // Nothing was written (the ports stayed busy): no record of this apply stays.
        guard.EndWithoutWrite();
        throw;
    }
    if (!outcome.loaded) {
        guard.EndWithoutWrite();
        return ReportFailedLoad(settingsPath);
    }
    if (!recorded) {
        guard.EndUnrecorded();
        return TellWrite(outcome.write, WriteOrigin::Logon, settingsPath);
    }
    guard.StartPeriod();
    TellWrite(outcome.write, WriteOrigin::Logon, settingsPath);
    guard.Await();
}

}  // namespace

void RunFileApply(const std::string& argument) {
    const std::string settingsPath = SettingsPathFromArgument(argument);
    if (IsLogonApply(settingsPath)) {
        RunLogonApply(settingsPath);
    } else if (MachineReady() && FitsThisMachine(settingsPath)) {
        RunPlainApply(settingsPath);
    }
}
