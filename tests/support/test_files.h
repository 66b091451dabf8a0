// Scratch files and folders for tests under Wine.
#pragma once
#include <string>
#include <vector>

// A fresh, empty folder under the system's temporary folder; removed by the caller.
std::string MakeScratchFolder(const std::string& tag);
void RemoveTree(const std::string& path);
// The whole file as it is stored, or "" where it cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// The names of what the folder holds, sorted.
std::vector<std::string> FolderNames(const std::string& folder);
// The folder this test executable lives in (the simulated io.dll and the examples too).
std::string TestExecutableFolder();
