// The logon's Run key and the value that names the program in it.
#pragma once
#include <windows.h>

#include <string>

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RunValue {
    bool present = false;
    DWORD type = 0;
    DWORD size = 0;
    std::string data;
};

RunValue ReadRunValue();
// Stands in for the start-up command; a key that cannot be created fails the test.
void SetRunValue(const std::string& command, DWORD type = REG_SZ);
void DeleteRunValue();

// While it lives, the Run key may be read (and its access list changed back) but not
// changed: what a user without administrative rights meets. Wine keeps to a key's
// access list as Windows does.
class RunKeyReadOnly {
public:
    RunKeyReadOnly();
    ~RunKeyReadOnly();
    RunKeyReadOnly(const RunKeyReadOnly&) = delete;
    RunKeyReadOnly& operator=(const RunKeyReadOnly&) = delete;
    bool made() const { return made_; }

private:
    std::string saved_;  // the key's own security descriptor
    bool made_ = false;
};
