#include "app/silent_apply.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/logon_guard.h"
#include "hw/pci_registers.h"
#include "model/settings.h"
#include "ui/messages.h"

namespace {

// The settings loader takes a missing file for an empty one, which is right for the
// window's Load but would let a mistyped path apply nothing and say nothing.
bool NamesExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool LoadFileForApply(const std::string& settingsPath) {
    ReadAllRegisters();
    if (NamesExistingFile(settingsPath) && LoadSettings(settingsPath.c_str())) return true;
    ShowProgramMessage("Unable to load register file \"" + settingsPath + "\"", kApplicationTitle);
    return false;
}

void RunSilentApply(const std::string& argument) {
    const std::string settingsPath = SettingsPathFromArgument(argument);
    if (IsLogonApply(settingsPath)) {
        RunLogonApply(settingsPath);
    } else if (LoadFileForApply(settingsPath)) {
        WriteAllRegisters();
    }
}
