#include "app/file_apply.h"

#include <windows.h>

#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/confirmation_wait.h"
#include "app/logon_rules.h"
#include "app/pending_record.h"
#include "app/run_key.h"
#include "app/write_logging.h"
#include "hw/pci_registers.h"
#include "model/settings.h"
#include "model/write_report.h"
#include "ui/messages.h"

namespace {

// A logon apply is one of the file the Run value names.
bool IsLogonApply(const std::string& settingsPath) {
    const std::string command = ReadRunCommand();
    return !command.empty() &&
           SamePath(FullPathOf(SettingsPathOfCommand(command)), FullPathOf(settingsPath));
}

bool ShiftKeyHeld() {
    const SHORT state =
        GetAsyncKeyState(VK_SHIFT) | GetAsyncKeyState(VK_LSHIFT) | GetAsyncKeyState(VK_RSHIFT);
    return (state & 0x8000) != 0;
}

// The settings loader takes a missing file for an empty one, which is right for the
// window's Load but would let a mistyped path apply nothing and say nothing.
bool NamesExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file saved on another chipset or board is never written here unasked; the window
// is where the user can look at its values and decide.
bool FitsThisMachine(const std::string& settingsPath) {
    const std::string differences = MachineDifferencesOfFile(settingsPath.c_str());
    if (differences.empty()) return true;
    ShowProgramMessage(OtherMachineRefusal(settingsPath, differences), kApplicationTitle);
    return false;
}

// The write, its log entry, and the fields the chipset did not take, said as they are.
void WriteAndReport(WriteOrigin origin, const std::string& settingsPath) {
    const RegisterWrite write = WriteAllRegistersNoted();
    LogRegisterWrite(write, origin, FullPathOf(settingsPath));
    const std::string refused = RefusedFieldsText(write);
    if (!refused.empty()) ShowProgramMessage(refused, kApplicationTitle);
}

// Reads all registers, so that what the file does not name keeps its present value,
// then loads the file into them.
bool ReadAndLoad(const std::string& settingsPath) {
    ReadAllRegisters();
    if (NamesExistingFile(settingsPath) && LoadSettings(settingsPath.c_str())) return true;
    ShowProgramMessage("Unable to load register file \"" + settingsPath + "\"", kApplicationTitle);
    return false;
}

// A logon apply: skipped while Shift is held, asked about when the last one of the
// same file was never confirmed, recorded before the write and confirmed after it.
void RunLogonApply(const std::string& settingsPath) {
    if (ShiftKeyHeld()) {
        ShowProgramMessage(ShiftSkipMessage(settingsPath), kApplicationTitle);
        return;
    }
    if (!FitsThisMachine(settingsPath)) return;
    const std::string fullPath = FullPathOf(settingsPath);
    const bool unconfirmed = PendingRecordFound(fullPath);
    if (unconfirmed && !AskProgramQuestion(UnconfirmedApplyQuestion(settingsPath))) return;
    if (!ReadAndLoad(settingsPath)) return;
    // A record that cannot be written (a folder this user may not write to) must not
    // stop a working setup: the apply then goes ahead unguarded, as it always did.
    const bool recorded = WritePendingRecord(fullPath);
    try {
        WriteAndReport(WriteOrigin::Logon, settingsPath);
    } catch (...) {
        // Nothing was written (the ports stayed busy), so this apply leaves no record.
        if (recorded && !unconfirmed) ClearPendingRecord(fullPath);
        throw;
    }
    if (recorded) AwaitConfirmation(fullPath);
}

}  // namespace

void RunFileApply(const std::string& argument) {
    const std::string settingsPath = SettingsPathFromArgument(argument);
    if (IsLogonApply(settingsPath)) {
        RunLogonApply(settingsPath);
    } else if (FitsThisMachine(settingsPath) && ReadAndLoad(settingsPath)) {
        WriteAndReport(WriteOrigin::File, settingsPath);
    }
}
