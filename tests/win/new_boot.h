// What a restart of Windows drops, dropped for a test: the record of the boot's first
// read of the registers (the volatile registry key; on 9x the global atom).
#pragma once
#include <windows.h>

#include <string>

#include "hw/windows_family.h"

inline void ForgetBootRecord() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Boot");
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
