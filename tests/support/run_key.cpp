#include "tests/support/run_key.h"

#include <gtest/gtest.h>

namespace {
const char kValueName[] = "Quillon";
}

RunValue ReadRunValue() {
    RunValue value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    char data[1024] = "";
    value.size = sizeof data;
    value.present = RegQueryValueExA(key, kValueName, nullptr, &value.type, reinterpret_cast<BYTE*>(data),
                                     &value.size) == ERROR_SUCCESS;
    value.data = data;
    RegCloseKey(key);
    return value;
}

void SetRunValue(const std::string& command) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
}

void DeleteRunValue() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, kValueName);
    RegCloseKey(key);
}
