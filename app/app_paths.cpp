#include "app/app_paths.h"

std::string AppDirectory;
std::string ExePath;
std::string StartupFilePath;

std::string JoinStartPath(const std::string& directory, const char* fileName) {
    return directory + "\\" + fileName;
}
