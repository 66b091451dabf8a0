// Command-line and start-up command texts; no platform needed.
#pragma once
#include <string>

// The argument part of a process command line: what follows the program name and the
// blanks and tabs after it, kept whole (quotes, inner and trailing blanks included).
std::string CommandLineTail(const std::string& commandLine);

// The argument without leading and trailing control characters and blanks; empty
// means the window is wanted.
std::string TrimArgument(const std::string& argument);

// The settings file a silent apply is given: the trimmed argument without one pair of
// enclosing double quotes, the form shortcuts, "Send to" and file associations pass.
// No Windows path contains a double quote, so no path that worked unquoted changes.
std::string SettingsPathFromArgument(const std::string& argument);

// The settings file a Run-key command applies: its command-line tail, read as above.
std::string SettingsPathOfCommand(const std::string& command);

// The Run-key command that applies the start-up file silently at logon. The program
// path is quoted when it has a blank; the file path never is, because the whole tail
// of the command line is taken as the file's path.
std::string BuildStartupCommand(const std::string& exePath, const std::string& startupFilePath);

// Said instead of registering when the program path of the command names no file
// (Quillon started from another folder than its own): the logon would start nothing.
std::string StartupProgramMissingMessage(const std::string& exePath, const std::string& appDirectory);
