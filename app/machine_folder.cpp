#include "app/machine_folder.h"

#include <windows.h>

#include "hw/windows_family.h"

std::string MachineFilePath(const char* fileName) {
    const std::string folder = MachineQuillonFolder();
    if (folder.empty()) return folder;
    OpenToEveryone access;
    CreateDirectoryA(folder.c_str(), access.get());
    return folder + "\\" + fileName;
}

// Bound at run time: Windows 98's ADVAPI32 need not export it, and nothing there reads
// an access list anyway.
void OpenFileToEveryone(const std::string& path) {
    OpenToEveryone access;
    if (access.get() == nullptr) return;
    using SetSecurity = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
    const auto setSecurity = reinterpret_cast<SetSecurity>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "SetFileSecurityA")));
    if (setSecurity != nullptr)
        setSecurity(path.c_str(), DACL_SECURITY_INFORMATION, access.get()->lpSecurityDescriptor);
}
