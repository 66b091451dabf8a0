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
void SetRunValue(const std::string& command);
void DeleteRunValue();
