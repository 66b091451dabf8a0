#include "app/startup_registration.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/logon_guard.h"
#include "hw/program_error.h"
#include "model/settings.h"
#include "ui/messages.h"

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kValueName[] = "Quillon";
// The value's place as our messages have always shown it (no separator before
// CurrentVersion).
const char kValuePathText[] =
    "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\WindowsCurrentVersion\\Run\\Quillon";

// One key of one registry root, opened with a fixed access; closed on destruction.
class RegistryAccessor {
public:
    RegistryAccessor(HKEY root, REGSAM access) : root_(root), access_(access) {}
    ~RegistryAccessor() { CloseKey(); }
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    bool OpenKey(const char* path, bool create) {
        CloseKey();
        LONG result;
        if (create) {
            result = RegCreateKeyExA(root_, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                                     nullptr, &key_, nullptr);
        } else {
            result = RegOpenKeyExA(root_, path, 0, access_, &key_);
        }
        if (result != ERROR_SUCCESS) key_ = nullptr;
        return key_ != nullptr;
    }

    void WriteString(const char* name, const std::string& data) {
        const LONG result =
            RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>(data.size() + 1));
        if (result != ERROR_SUCCESS)
            throw ProgramError(std::string("Failed to set data for '") + name + "'");
    }

    // The string value's text; empty when it is absent or no string.
    std::string ReadString(const char* name) const {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != REG_SZ || size == 0)
            return std::string();
        std::string data(size, '\0');
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
            ERROR_SUCCESS)
            return std::string();
        // Stored with or without its terminating zero.
        data.resize(std::min<size_t>(size, data.find('\0')));
        return data;
    }

    bool DeleteValue(const char* name) { return RegDeleteValueA(key_, name) == ERROR_SUCCESS; }

    void CloseKey() {
        if (key_ != nullptr) RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY root_;
    REGSAM access_;
    HKEY key_ = nullptr;
};

bool RegisterStartupCommand(RegistryAccessor& registry) {
    try {
        if (!registry.OpenKey(kRunKey, false) && !registry.OpenKey(kRunKey, true)) return false;
        registry.WriteString(kValueName, BuildStartupCommand(ExePath, StartupFilePath));
        registry.CloseKey();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::string RegisteredStartupCommand() {
    // Read with no more rights than any user has: the logon apply runs as whoever logs on.
    RegistryAccessor registry(HKEY_LOCAL_MACHINE, KEY_QUERY_VALUE);
    if (!registry.OpenKey(kRunKey, false)) return std::string();
    return registry.ReadString(kValueName);
}

void ApplyStartupSettings() {
    if (!SaveSettings(StartupFilePath.c_str())) {
        ShowProgramMessage("There was an error saving to file \"" + StartupFilePath + "\".",
                           "Save Error");
        return;
    }
    RegistryAccessor registry(HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS);
    if (!RegisterStartupCommand(registry)) {
        ShowProgramMessage(std::string("Unable to create system registry value\n") + kValuePathText,
                           "Registry Error");
    }
}

void RemoveStartupSettings() {
    try {
        RegistryAccessor registry(HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS);
        // An absent key or value, or one we may not delete, is nothing to report.
        if (registry.OpenKey(kRunKey, false)) {
            const std::string command = registry.ReadString(kValueName);
            if (!command.empty()) ClearPendingRecord(SettingsPathOfCommand(command));
            registry.DeleteValue(kValueName);
            registry.CloseKey();
        }
        ClearPendingRecord(StartupFilePath);
    } catch (const std::exception&) {
        ShowProgramMessage(std::string("Unable to remove system registry value\n") + kValuePathText,
                           "Registry Error");
    }
}
