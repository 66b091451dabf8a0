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

void OpenFileToEveryone(const std::string& path) {
    OpenToEveryone access;
    if (access.get() != nullptr)
        SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, access.get()->lpSecurityDescriptor);
}
