#include "ui/open_dialog.h"

#include <commdlg.h>

#include "hw/concat.h"
#include "hw/windows_family.h"

namespace {

// Pairs of description and pattern; the literal's own terminator ends the list.
const char kFilter[] = "Register files (*.qln)\0*.QLN\0All Files (*.*)\0*.*\0";
const char kDefaultExtension[] = "qln";

// With no file name to offer, the first dialog of a run starts in the current
// directory; left to itself the dialog may prefer a folder it remembers instead.
std::string StartingFolder(const std::string& fileName) {
    if (!fileName.empty()) return std::string();
    char folder[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
    return (n == 0 || n >= MAX_PATH) ? std::string() : std::string(folder, n);
}

// The open dialog tries a typed name with the default extension and, when no such
// file exists, returns it without one. A new file to save still gets the extension.
std::string WithDefaultExtension(const std::string& path) {
    const size_t name = path.find_last_of("\\/");
    const size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (name == std::string::npos || dot > name);
    if (hasExtension || GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    return Concat({path, ".", kDefaultExtension});
}

}  // namespace

DWORD FileDialogOptions(FileCommand command) {
    const DWORD shared = OFN_HIDEREADONLY | OFN_EXTENSIONDIFFERENT | OFN_PATHMUSTEXIST |
                         OFN_ENABLESIZING | OFN_EXPLORER;
    if (command == FileCommand::Load) return shared | OFN_FILEMUSTEXIST;
    return shared | OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN;
}

bool OpenDialog::Execute(HWND owner, FileCommand command) {
    char file[MAX_PATH] = {};
    fileName_.copy(file, MAX_PATH - 1);
    const std::string folder = StartingFolder(fileName_);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OpenFileNameSize();
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = "Open";
    dialog.lpstrDefExt = kDefaultExtension;
    dialog.Flags = FileDialogOptions(command);
    if (!GetOpenFileNameA(&dialog)) return false;
    fileName_ = command == FileCommand::Save ? WithDefaultExtension(file) : std::string(file);
    return true;
}
