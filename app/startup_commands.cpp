#include "app/startup_commands.h"

#include "hw/concat.h"

#include <windows.h>

#include <string>

#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/logon_rules.h"
#include "app/machine_folder.h"
#include "app/pending_record.h"
#include "app/run_key.h"
#include "model/settings.h"
#include "ui/messages.h"

namespace {

// The value's place as our messages have always shown it (no separator before
// CurrentVersion).
const char kValuePathText[] =
    "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\WindowsCurrentVersion\\Run\\Quillon";

}  // namespace

void ApplyStartupSettings() {
    // The command names the program in the working directory, which is Quillon's own
    // folder only when it was started from there. Checked before anything is saved:
    // a start-up file nothing would apply is no use, and the user is told nothing
    // changed.
    if (!NamesExistingFile(ExePath)) {
        ShowProgramMessage(StartupProgramMissingMessage(ExePath, AppDirectory), kApplicationTitle);
        return;
    }
    const std::string replacedTuning = TuningTextOfFile(StartupFilePath.c_str());
    if (!SaveSettings(StartupFilePath.c_str())) {
        ShowProgramMessage(Concat({"There was an error saving to file \"", StartupFilePath, "\"."}),
                           "Save Error");
        return;
    }
    // Where the value cannot be written, the old one still applies the file at every
    // logon: the record of its last apply must stay to guard the next.
    if (!WriteRunCommand(BuildStartupCommand(ExePath, StartupFilePath))) {
        ShowProgramMessage(std::string("Unable to create system registry value\n") + kValuePathText,
                           "Registry Error");
        return;
    }
    // The record of an earlier logon apply stood for the tuning just replaced: the new
    // one was never applied, and the next logon must not ask about it as if it had hung.
    // Unless that apply is still in its period and the tuning saved is the one it wrote
    // (the window opened meanwhile shows it): the record then guards it still, and the
    // apply removes it once confirmed.
    if (!LogonApplyRunningElsewhere() || TuningTextOfFile(StartupFilePath.c_str()) != replacedTuning)
        ClearPendingRecord(FullLongPathOf(StartupFilePath));
    // Registered either way: a logon that cannot keep its record says so and applies.
    if (!PendingRecordCanBeKept(FullLongPathOf(StartupFilePath)))
        ShowProgramMessage(NoRecordPlaceMessage(StartupFilePath, MachineRecordFolderPath()),
                           kApplicationTitle);
}

void RemoveStartupSettings() {
    const std::string command = ReadRunCommand().command;
    if (DeleteRunCommand() == RunValueRemoval::Refused) {
        // The next logon still applies the file: its record must stay to guard it.
        ShowProgramMessage(std::string("Unable to remove system registry value\n") + kValuePathText,
                           "Registry Error");
        return;
    }
    if (!command.empty()) ClearPendingRecord(FullLongPathOf(SettingsPathOfCommand(command)));
    ClearPendingRecord(FullLongPathOf(StartupFilePath));
}
