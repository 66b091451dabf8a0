// Applying a settings file without a window, as the command line and the logon ask.
#pragma once
#include <string>

// Reads all registers and loads the named file into them. A path that names no
// existing file, or a folder, is a failed load like any other: reported, and false.
bool LoadFileForApply(const std::string& settingsPath);

// The silent apply of a command-line argument: the file is loaded and, only if that
// worked, all registers are written. The logon's own file is applied under the guard.
void RunSilentApply(const std::string& argument);
