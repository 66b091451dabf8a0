// The machine's Quillon folder: one place for what Quillon keeps about this machine
// (the write log, the snapshot of each boot), whoever is logged on and whatever folder
// Quillon was started in (Windows starts Run entries in the system folder).
#pragma once
#include <string>

// The Quillon folder of the machine-wide application data folder, made open to every
// user when it is missing; the folder of the running program where Windows names no
// such folder. Empty only when neither can be found.
std::string MachineQuillonFolder();

// A file of that folder; empty when there is no folder.
std::string MachineFilePath(const char* fileName);

// Gives the file an access list that lets every user read, replace and remove it, as
// they may the folder it is in; what one user's Quillon writes there the next user's
// must be able to go on with.
void OpenFileToEveryone(const std::string& path);
