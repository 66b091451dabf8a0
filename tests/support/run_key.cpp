#include "tests/support/run_key.h"

#include <gtest/gtest.h>
#include <sddl.h>

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

void SetRunValue(const std::string& command, DWORD type) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, kValueName, 0, type, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
}

void DeleteRunValue() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, kValueName);
    RegCloseKey(key);
}

namespace {

bool SetRunKeySecurity(PSECURITY_DESCRIPTOR descriptor) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
    const bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

}  // namespace

RunKeyReadOnly::RunKeyReadOnly() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, READ_CONTROL, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    const bool read = size > 0 && RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, &saved_[0],
                                                    &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read) return;
    // Everyone: read, and read and change the access list; nothing else.
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRRCWD;;;WD)", SDDL_REVISION_1,
                                                              &readOnly, nullptr))
        return;
    made_ = SetRunKeySecurity(readOnly);
    LocalFree(readOnly);
}

RunKeyReadOnly::~RunKeyReadOnly() {
    if (made_) SetRunKeySecurity(&saved_[0]);
}
