#include "app/run_key.h"

#include <windows.h>

#include <algorithm>

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kValueName[] = "Quillon";

// The text with its %VARIABLES% replaced; empty when it cannot be expanded.
std::string Expanded(const std::string& text) {
    const DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (size == 0) return std::string();
    // The ANSI function needs one byte more than the size it reports.
    std::string expanded(size + 1, '\0');
    const DWORD length = ExpandEnvironmentStringsA(text.c_str(), &expanded[0], size + 1);
    if (length == 0 || length > size + 1) return std::string();
    expanded.resize(std::min(expanded.find('\0'), expanded.size()));
    return expanded;
}

bool Missing(LONG result) { return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND; }

// One key of HKEY_LOCAL_MACHINE, opened with a fixed access; closed on destruction.
class RunKey {
public:
    explicit RunKey(REGSAM access) : access_(access) {}
    ~RunKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RunKey(const RunKey&) = delete;
    RunKey& operator=(const RunKey&) = delete;

    LONG Open() { return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, access_, &key_); }

    LONG Create() {
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               access_, nullptr, &key_, nullptr);
    }

    bool WriteString(const std::string& data) {
        return RegSetValueExA(key_, kValueName, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
    }

    // The string value's text, as Explorer reads it when it starts the command: a value
    // of type REG_EXPAND_SZ (startup managers rewrite values so) with its environment
    // variables expanded. Absent when there is no value; unreadable when it is there
    // but is no string, or cannot be read or expanded.
    RunCommand ReadString() const {
        DWORD type = 0;
        DWORD size = 0;
        const LONG found = RegQueryValueExA(key_, kValueName, nullptr, &type, nullptr, &size);
        if (Missing(found)) return {RunCommandState::Absent, std::string()};
        const RunCommand unreadable = {RunCommandState::Unreadable, std::string()};
        if (found != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) return unreadable;
        std::string data(size, '\0');
        if (RegQueryValueExA(key_, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                             &size) != ERROR_SUCCESS)
            return unreadable;
        // Stored with or without its terminating zero.
        data.resize(std::min<size_t>(size, data.find('\0')));
        if (data.empty()) return {RunCommandState::Absent, std::string()};  // starts nothing
        const std::string command = type == REG_EXPAND_SZ ? Expanded(data) : data;
        if (command.empty()) return unreadable;
        return {RunCommandState::Read, command};
    }

    bool HasValue() const {
        return RegQueryValueExA(key_, kValueName, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    LONG DeleteValue() { return RegDeleteValueA(key_, kValueName); }

private:
    REGSAM access_;
    HKEY key_ = nullptr;
};

}  // namespace

RunCommand ReadRunCommand() {
    RunKey key(KEY_QUERY_VALUE);
    const LONG opened = key.Open();
    if (Missing(opened)) return {RunCommandState::Absent, std::string()};
    if (opened != ERROR_SUCCESS) return {RunCommandState::Unreadable, std::string()};
    return key.ReadString();
}

bool WriteRunCommand(const std::string& command) {
    RunKey key(KEY_ALL_ACCESS);
    if (key.Open() != ERROR_SUCCESS && key.Create() != ERROR_SUCCESS) return false;
    return key.WriteString(command);
}

RunValueRemoval DeleteRunCommand() {
    RunKey key(KEY_ALL_ACCESS);
    const LONG opened = key.Open();
    if (Missing(opened)) return RunValueRemoval::Absent;
    if (opened != ERROR_SUCCESS) {
        // Not ours to delete; whether there is anything to delete, any user may see.
        RunKey reader(KEY_QUERY_VALUE);
        if (reader.Open() != ERROR_SUCCESS || !reader.HasValue()) return RunValueRemoval::Absent;
        return RunValueRemoval::Refused;
    }
    const LONG deleted = key.DeleteValue();
    if (deleted == ERROR_SUCCESS) return RunValueRemoval::Removed;
    if (Missing(deleted)) return RunValueRemoval::Absent;
    return RunValueRemoval::Refused;
}
