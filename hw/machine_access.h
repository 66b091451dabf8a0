// Who may change what Quillon keeps for the whole machine, decided once, when each
// thing is made: an access list given at creation (never changed afterwards), and files
// opened so that a link planted in their place cannot send a write elsewhere.
#pragma once
#include <windows.h>

#include <string>

// The access lists, in the security descriptor language of Windows 2000 and later.
// The machine's folder: administrators and SYSTEM change everything, every other user
// reads; its files inherit that. Its owner is the Administrators group, which only an
// administrator's (or SYSTEM's) run may name: no other user's run makes the folder,
// and so no other user owns it (an owner may always change the access list).
extern const char kMachineFolderAccess[];
// The folder of the logon guard's records inside it: every user also adds files, and
// owns (may replace and remove) the records they add; the others' they only read.
extern const char kRecordFolderAccess[];
// The machine-wide kernel objects (the port lock, the running-apply mark): every
// logged-on user waits on them; only administrators and SYSTEM do more.
extern const char kMachineObjectAccess[];

// Security attributes with a descriptor built from one of those lists. Null on 9x,
// which keeps no access lists, and where ADVAPI32 cannot build one: whatever is made
// then gets the default access list of its place, never one open to everyone.
class CreationAccess {
public:
    explicit CreationAccess(const char* descriptorText);
    ~CreationAccess();
    CreationAccess(const CreationAccess&) = delete;
    CreationAccess& operator=(const CreationAccess&) = delete;
    SECURITY_ATTRIBUTES* get() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

private:
    void* descriptor_ = nullptr;  // LocalFree'd
    SECURITY_ATTRIBUTES attributes_;
};

// Whether the path is a reparse point (a junction, a symbolic link, a mount point):
// what it names is somewhere else.
bool IsReparsePoint(const std::string& path);

// Whether the file or folder has an access list at all: what an earlier Quillon made
// open to every user has none. False on 9x and where it cannot be read.
bool HasNoAccessList(const std::string& path);

// CreateFileA for a file of the machine's folder that never follows a link: opened as
// the link itself where it is one, and refused (closed, INVALID_HANDLE_VALUE with
// ERROR_ACCESS_DENIED) when it is a reparse point or has another name (a hard link to
// a file elsewhere). Never truncates: `disposition` is OPEN_EXISTING, OPEN_ALWAYS or
// CREATE_NEW, and a caller that rewrites the file sets its end itself.
HANDLE OpenUnlinkedFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                        SECURITY_ATTRIBUTES* security);

// The first bytes of a small file (a record, a mark), opened as OpenUnlinkedFile opens
// it; empty when it cannot be read.
std::string SmallFileText(const std::string& path);
