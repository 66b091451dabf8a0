// The places a logon apply may keep its record in, made unusable for a test: the
// machine's folder, which holds the shared records' folder, replaced by a file (Wine
// takes no notice of access lists on files), the place beside a file taken by a folder
// of the record's name.
#pragma once
#include <windows.h>

#include <string>

#include "app/logon_rules.h"
#include "app/machine_folder.h"
#include "app/pending_record.h"
#include "hw/code_page.h"
#include "hw/windows_family.h"
#include "tests/support/test_files.h"

// While it lives, no folder can be made where the shared records go.
class SharedRecordFolderBlocked {
public:
    SharedRecordFolderBlocked() : folder_(MachineQuillonFolder()) {
        RemoveTree(folder_);
        WriteWholeFile(folder_, "");
    }
    ~SharedRecordFolderBlocked() { DeleteFileA(folder_.c_str()); }
    SharedRecordFolderBlocked(const SharedRecordFolderBlocked&) = delete;
    SharedRecordFolderBlocked& operator=(const SharedRecordFolderBlocked&) = delete;

private:
    const std::string folder_;
};

// No record can be written beside the file: a folder has its name.
inline void BlockRecordBeside(const std::string& settingsFullPath) {
    CreateDirectoryA(PendingRecordPath(settingsFullPath).c_str(), nullptr);
}

// The file's record in the shared folder.
inline std::string SharedRecordOf(const std::string& settingsFullPath) {
    return SharedRecordPath(MachineRecordFolderPath(), settingsFullPath, IsSystemLeadByte);
}
