#include "app/app_paths.h"

#include "hw/concat.h"

#include <windows.h>

std::string AppDirectory;
std::string ExePath;
std::string StartupFilePath;

std::string JoinStartPath(const std::string& directory, const char* fileName) {
    return Concat({directory, "\\", fileName});
}

bool ComputeAppPaths() {
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH) return false;
    AppDirectory.assign(directory, length);
    ExePath = JoinStartPath(AppDirectory, "quillon.exe");
    StartupFilePath = JoinStartPath(AppDirectory, "startup.qln");
    return true;
}

std::string FullPathOf(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return (length == 0 || length >= MAX_PATH) ? path : std::string(full, length);
}

std::string FullLongPathOf(const std::string& path) {
    const std::string full = FullPathOf(path);
    char longPath[MAX_PATH];
    const DWORD length = GetLongPathNameA(full.c_str(), longPath, MAX_PATH);
    return (length == 0 || length >= MAX_PATH) ? full : std::string(longPath, length);
}

bool NamesExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string EnvironmentText(const char* name) {
    char value[64];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return (length == 0 || length >= sizeof value) ? std::string() : std::string(value, length);
}
