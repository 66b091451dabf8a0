// What a restart of Windows drops, dropped for a test: the record of the boot's first
// read of the registers (the volatile registry key; on 9x the global atom), and the
// word of runs that could not record it (which a new boot's mark makes stale; under
// Wine the mark stays).
#pragma once
#include <windows.h>

#include <string>

#include "app/machine_folder.h"
#include "hw/windows_family.h"
#include "tests/support/test_files.h"

inline void ForgetBootRecord() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Boot");
    const std::string records = MachineRecordFolderPath();
    for (const std::string& name : FolderNames(records))
        if (name.rfind("written-", 0) == 0) DeleteFileA((records + "\\" + name).c_str());
    if (!OnWindows9x()) return;
    for (unsigned atom = 0xC000; atom <= 0xFFFF; ++atom) {
        char name[256];
        const UINT length = GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name);
        if (length > 0 && std::string(name, length).rfind("Quillon first read ", 0) == 0)
            GlobalDeleteAtom(static_cast<ATOM>(atom));
    }
}

// Whether the registry holds the record, and what it says the first read of the
// register at `index` found.
inline bool BootRecordValue(size_t index, DWORD* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Boot", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof *value;
    const std::string name = "Register " + std::to_string(index);
    const bool read = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                       &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return read;
}
