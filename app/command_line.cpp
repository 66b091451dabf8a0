#include "app/command_line.h"

#include "hw/concat.h"

namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string CommandLineTail(const std::string& commandLine) {
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n && IsBlankOrTab(commandLine[i])) ++i;
    if (i < n && commandLine[i] == '"') {
        ++i;
        while (i < n && commandLine[i] != '"' && commandLine[i] != '\t') ++i;
        if (i < n && commandLine[i] == '"') ++i;
    } else {
        while (i < n && !IsBlankOrTab(commandLine[i])) ++i;
    }
    while (i < n && IsBlankOrTab(commandLine[i])) ++i;
    return commandLine.substr(i);
}

std::string TrimArgument(const std::string& argument) {
    size_t first = 0;
    size_t last = argument.size();
    while (first < last && IsBlankOrControl(argument[first])) ++first;
    while (last > first && IsBlankOrControl(argument[last - 1])) --last;
    return argument.substr(first, last - first);
}

std::string SettingsPathFromArgument(const std::string& argument) {
    const std::string path = TrimArgument(argument);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        return path.substr(1, path.size() - 2);
    return path;
}

std::string SettingsPathOfCommand(const std::string& command) {
    return SettingsPathFromArgument(CommandLineTail(command));
}

std::string BuildStartupCommand(const std::string& exePath, const std::string& startupFilePath) {
    const bool needsQuotes = exePath.find(' ') != std::string::npos;
    if (needsQuotes) return Concat({"\"", exePath, "\" ", startupFilePath});
    return Concat({exePath, " ", startupFilePath});
}

std::string StartupProgramMissingMessage(const std::string& exePath, const std::string& appDirectory) {
    return Concat({"Quillon was started from \"", appDirectory,
                   "\", which holds no quillon.exe: the logon could not start \"", exePath,
                   "\". Nothing was saved or registered.\n\nStart quillon.exe from the folder that "
                   "holds it (in a shortcut, \"Start in\" is that folder), then choose Apply "
                   "Settings at Startup again."});
}
