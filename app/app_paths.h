// The paths computed once at start and used for the whole run.
#pragma once
#include <string>

// The working directory at start (not the executable's folder).
extern std::string AppDirectory;
// AppDirectory + "\quillon.exe", whatever the running file is called.
extern std::string ExePath;
// AppDirectory + "\startup.qln".
extern std::string StartupFilePath;

// Joins a directory and a file name the way the start-up paths are built: always one
// separator added, so the root of a drive gives a doubled one ("C:\\startup.qln").
std::string JoinStartPath(const std::string& directory, const char* fileName);

// Fills AppDirectory and the paths in it from the working directory. False
// when the working directory does not fit a Windows path (260 characters or more).
bool ComputeAppPaths();

// The full path of a file as Windows expands it against the working directory; the
// path as given when it cannot be expanded to less than 260 characters.
std::string FullPathOf(const std::string& path);

// The full path in its long form, so that an 8.3 spelling of a file (PROGRA~1) and its
// long one compare equal; the full path alone when the file cannot be found.
std::string FullLongPathOf(const std::string& path);

// Whether the path names an existing file (not a folder).
bool NamesExistingFile(const std::string& path);

// A short environment variable's value; empty when it is unset or too long to be one of
// the tests' settings.
std::string EnvironmentText(const char* name);
