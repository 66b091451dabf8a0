#include "app/machine_folder.h"

#include <windows.h>

#include "app/pending_record.h"

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    const std::string program(path, length);
    const size_t slash = program.find_last_of('\\');
    return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

// No access list at all, as for the records and the port lock.
class EveryoneDescriptor {
public:
    EveryoneDescriptor() {
        InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE);
        attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    }
    SECURITY_DESCRIPTOR* descriptor() { return &descriptor_; }
    SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

private:
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
};

}  // namespace

std::string MachineQuillonFolder() {
    const std::string shared = SharedRecordFolder();
    if (shared.empty()) return ProgramFolder();
    EveryoneDescriptor everyone;
    CreateDirectoryA(shared.c_str(), everyone.attributes());
    return shared;
}

std::string MachineFilePath(const char* fileName) {
    const std::string folder = MachineQuillonFolder();
    return folder.empty() ? std::string() : folder + "\\" + fileName;
}

void OpenFileToEveryone(const std::string& path) {
    EveryoneDescriptor everyone;
    SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, everyone.descriptor());
}
