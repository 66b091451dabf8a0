// The open-file dialog the window shares between Save and Load. It keeps the file
// name it returned last and offers it the next time.
#pragma once
#include <windows.h>

#include <string>

enum class FileCommand { Save, Load };

// The dialog options of a command; nothing of an earlier use carries over.
DWORD FileDialogOptions(FileCommand command);

class OpenDialog {
public:
    // Shows the Explorer-style dialog modal to `owner`. True when the user accepted a
    // file, whose full path FileName() then holds; false when cancelled.
    bool Execute(HWND owner, FileCommand command);
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};
