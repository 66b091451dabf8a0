// Applying a settings file without a window, as the command line and the logon ask.
#pragma once
#include <string>

// The whole apply of a command-line argument, from start to end: which file and whether
// it is the logon's, the Shift key (before anything is read), the checks of the machine
// and of the file's [Machine] section, an unconfirmed earlier logon apply, the read of
// all registers, the load, the pending record, the write, its report and log, and the
// confirmation wait.
// The registers are written only when the file loaded; the logon's own file is applied
// under the guard.
void RunFileApply(const std::string& argument);
