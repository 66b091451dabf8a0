// The files Quillon keeps about this machine (the write log, the snapshot of each
// boot, the logon guard's records where their own folder takes none) in the machine's
// Quillon folder, whoever is logged on and whatever folder Quillon was started in:
// Windows starts Run entries in the system folder.
//
// The folder is made once, by an administrator's (or SYSTEM's) run, with an access list
// that lets administrators and SYSTEM change everything and every other user read
// (hw/machine_access.h); nothing changes it afterwards. Within it the records' folder
// also lets every user add records and remove their own.
#pragma once
#include <string>

// A file of the machine's Quillon folder, which is made when it is missing; empty when
// there is no folder to use: none named, none this run may make, one that is a link to
// another place (refused and said, once a run), or one an earlier Quillon left open to
// every user and this run cannot replace.
std::string MachineFilePath(const char* fileName);

// The records' folder: where it is (it may not exist), and the same made when missing;
// empty when there is none to use.
std::string MachineRecordFolderPath();
std::string MachineRecordFolder();

// Whether the machine's file is a link to a file elsewhere (a reparse point, another
// name of a file: a hard link). Such a file is never read nor written; the first found
// in a run is said in a message and, where the log is no link, in the log.
bool RefusedAsLink(const std::string& path);

// The folder as this run may use it, made when missing; empty when it may not. A folder
// without any access list (an earlier Quillon made it open to every user) is not
// trusted, as any user may have put anything in it or a link in place of any file: a
// run that may make the folder anew moves it aside, whole, as "Quillon.untrusted-<time>"
// (the old log stays there for a person to read) and makes a new one. `openToEveryone`
// tells such a folder (a seam for the tests: Wine keeps no access lists of folders).
std::string UsableMachineFolder(const std::string& folder, bool (*openToEveryone)(const std::string& path));
