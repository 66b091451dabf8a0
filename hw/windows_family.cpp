#include "hw/windows_family.h"

#include <commdlg.h>
#include <shlobj.h>

#include "hw/code_page.h"
#include "hw/path_text.h"

namespace {

bool DetectWindows9x() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// Absent from 98's and ME's KERNEL32, so bound by name: importing it would stop the
// program from loading there at all.
using ReplaceFileProc = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, DWORD, LPVOID, LPVOID);

template <typename Proc>
Proc FunctionOf(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReplaceExisting(const std::string& written, const std::string& target) {
    const auto replace = FunctionOf<ReplaceFileProc>(GetModuleHandleA("kernel32.dll"), "ReplaceFileA");
    if (replace == nullptr)
        return MoveFileExA(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (replace(target.c_str(), written.c_str(), nullptr, 0, nullptr, nullptr)) return true;
    // Without a backup name this error means the old file is gone already and the new
    // one still waits under its own name: it must still get into place.
    if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT && !Exists(target))
        return MoveFileExA(written.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    return false;
}

// The machine-wide application data folder, from the first library that names one:
// SHELL32 of 2000 and later (and ME), or SHFOLDER.DLL, which older systems get with
// their updates.
std::string CommonAppDataFolder() {
    for (const char* library : {"shell32.dll", "shfolder.dll"}) {
        HMODULE module = LoadLibraryA(library);
        const std::string folder = CommonAppDataFolderFrom(FunctionOf<GetFolderPathProc>(module, "SHGetFolderPathA"));
        if (module != nullptr) FreeLibrary(module);
        if (!folder.empty()) return folder;
    }
    return std::string();
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return FolderOfProgram(std::string(path, length));
}

}  // namespace

bool OnWindows9x() {
    static const bool windows9x = DetectWindows9x();
    return windows9x;
}

std::string MachineWideObjectName(const char* name) {
    return OnWindows9x() ? std::string(name) : "Global\\" + std::string(name);
}

bool MoveIntoPlace(const std::string& written, const std::string& target) {
    // The old file's attributes (hidden, archive) go over to the new one. ReplaceFileA
    // carries them on Windows itself, but not under every implementation of it, and 9x
    // has no such call (nor any access list to carry).
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    bool moved = false;
    if (!OnWindows9x()) {
        moved = exists ? ReplaceExisting(written, target)
                       : MoveFileExA(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    } else {
        // MoveFileExA only fails there (not implemented), and MoveFileA refuses an
        // existing target.
        moved = (!exists || DeleteFileA(target.c_str())) && MoveFileA(written.c_str(), target.c_str());
    }
    if (moved && exists) SetFileAttributesA(target.c_str(), attributes);
    return moved;
}

std::string MachineQuillonFolder() {
    // Looked up once: SHELL32 is a large DLL to load for every record a logon handles.
    static const std::string shared = CommonAppDataFolder();
    return shared.empty() ? ProgramFolder() : shared + "\\Quillon";
}

DWORD OpenFileNameSize() { return OnWindows9x() ? OPENFILENAME_SIZE_VERSION_400A : sizeof(OPENFILENAMEA); }

std::string CommonAppDataFolderFrom(GetFolderPathProc getFolderPath) {
    if (getFolderPath == nullptr) return std::string();
    char folder[MAX_PATH] = {};
    const HRESULT result = getFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    if ((result != S_OK && result != S_FALSE) || folder[0] == '\0') return std::string();
    // S_FALSE: named, but not there yet (SHFOLDER.DLL on 9x before any program made
    // it); made now, as the machine's folder goes inside it.
    if (result == S_FALSE) CreateDirectoryA(folder, nullptr);
    return folder;
}

std::string FolderOfProgram(const std::string& programPath) {
    // Split by character: in the double-byte code pages the byte of '\' is also the
    // second byte of many characters.
    return programPath.substr(0, LastSeparator(programPath, IsSystemLeadByte));
}
