#include "hw/machine_access.h"

#include <sddl.h>

#include "hw/windows_family.h"

const char kMachineFolderAccess[] = "O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const char kRecordFolderAccess[] =
    "O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OIIO;0x120089;;;BU)(A;OICIIO;FA;;;CO)";
const char kMachineObjectAccess[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x100001;;;AU)";

namespace {

// Bound at run time: 9x's ADVAPI32 exports none of them, and the program must load there.
using ConvertProc = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
using GetFileSecurityProc = BOOL(WINAPI*)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
using GetDaclProc = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, LPBOOL, PACL*, LPBOOL);

template <typename Proc>
Proc AdvapiFunction(const char* name) {
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    if (advapi == nullptr) return nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(advapi, name)));
}

}  // namespace

CreationAccess::CreationAccess(const char* descriptorText) {
    attributes_ = {sizeof attributes_, nullptr, FALSE};
    if (OnWindows9x()) return;
    const auto convert = AdvapiFunction<ConvertProc>("ConvertStringSecurityDescriptorToSecurityDescriptorA");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (convert == nullptr || !convert(descriptorText, SDDL_REVISION_1, &descriptor, nullptr)) return;
    descriptor_ = descriptor;
    attributes_.lpSecurityDescriptor = descriptor;
}

CreationAccess::~CreationAccess() {
    if (descriptor_ != nullptr) LocalFree(descriptor_);
}

bool IsReparsePoint(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool HasNoAccessList(const std::string& path) {
    if (OnWindows9x()) return false;
    const auto getSecurity = AdvapiFunction<GetFileSecurityProc>("GetFileSecurityA");
    const auto getDacl = AdvapiFunction<GetDaclProc>("GetSecurityDescriptorDacl");
    if (getSecurity == nullptr || getDacl == nullptr) return false;
    DWORD needed = 0;
    getSecurity(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::string descriptor(needed, '\0');
    if (!getSecurity(path.c_str(), DACL_SECURITY_INFORMATION, &descriptor[0], needed, &needed)) return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    return getDacl(&descriptor[0], &present, &list, &defaulted) && (!present || list == nullptr);
}

HANDLE OpenUnlinkedFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                        SECURITY_ATTRIBUTES* security) {
    // 9x knows no reparse points, and refuses the flag.
    const DWORD noFollow = OnWindows9x() ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE file = CreateFileA(path.c_str(), access, share, security, disposition, flags | noFollow, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION information = {};
    const bool plain = GetFileInformationByHandle(file, &information) &&
                       !(information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
                       information.nNumberOfLinks <= 1;
    if (plain) return file;
    CloseHandle(file);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

std::string SmallFileText(const std::string& path) {
    if (path.empty()) return std::string();
    HANDLE file = OpenUnlinkedFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    char text[2 * MAX_PATH];
    DWORD length = 0;
    if (!ReadFile(file, text, sizeof text, &length, nullptr)) length = 0;
    CloseHandle(file);
    return std::string(text, length);
}
