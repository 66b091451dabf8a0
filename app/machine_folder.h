// The files Quillon keeps about this machine (the write log, the snapshot of each
// boot) in the machine's Quillon folder, whoever is logged on and whatever folder
// Quillon was started in: Windows starts Run entries in the system folder.
#pragma once
#include <string>

// A file of the machine's Quillon folder, which is made, open to every user, when it
// is missing; empty when there is no such folder.
std::string MachineFilePath(const char* fileName);

// Gives the file an access list that lets every user read, replace and remove it, as
// they may the folder it is in: what one user's Quillon writes there the next user's
// must be able to go on with. Nothing where the file is another user's, or on 9x.
void OpenFileToEveryone(const std::string& path);
