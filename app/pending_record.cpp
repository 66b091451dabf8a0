#include "app/pending_record.h"

#include <windows.h>

#include "app/logon_rules.h"
#include "app/machine_folder.h"
#include "hw/code_page.h"
#include "hw/machine_access.h"
#include "hw/windows_family.h"

namespace {

// Exists while any logon apply is within its period, in any session: a kernel object
// goes with the last process holding it, however that process ends, so it can neither
// outlive a hang nor be mistaken for a later process that got the same id.
const char kRunningApplyName[] = "QuillonLogonApplyRunning";
HANDLE runningApply = nullptr;

// Every place a record of the file may be, the file's own folder first.
struct RecordPlaces {
    std::string beside;
    std::string shared;  // empty when there is no shared folder
};

RecordPlaces PlacesOf(const std::string& settingsFullPath) {
    const std::string folder = MachineRecordFolderPath();
    return {PendingRecordPath(settingsFullPath),
            folder.empty() ? std::string() : SharedRecordPath(folder, settingsFullPath, IsSystemLeadByte)};
}

// The record must outlive the hang it guards against, so it counts only once it is
// through to the disk; a record that did not get there is removed again. It takes the
// access list of its folder: in the shared one, whoever made it may replace and remove
// it, every other user read it. Never written through a link planted in its place.
bool WriteRecord(const std::string& recordPath, const std::string& text) {
    if (recordPath.empty()) return false;
    HANDLE file = OpenUnlinkedFile(recordPath, GENERIC_WRITE, 0, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool stored = SetEndOfFile(file) &&
                        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                        written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!stored) DeleteFileA(recordPath.c_str());
    return stored;
}

// Whether a record could be created at the path, trying without touching one that is
// already there (it is the record of an apply not yet confirmed).
bool RecordCanBeCreated(const std::string& recordPath) {
    if (recordPath.empty()) return false;
    HANDLE file = CreateFileA(recordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
    const DWORD attributes = GetFileAttributesA(recordPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

bool OtherHolderOfRunningMark() {
    HANDLE other = OpenEventA(SYNCHRONIZE, FALSE, MachineWideObjectName(kRunningApplyName).c_str());
    if (other != nullptr) {
        CloseHandle(other);
        return true;
    }
    // There, but made with an access list that shuts us out: still someone's.
    return GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace

bool PendingRecordFound(const std::string& settingsFullPath) {
    const RecordPlaces places = PlacesOf(settingsFullPath);
    return RecordNamesFile(SmallFileText(places.beside), settingsFullPath, IsSystemLeadByte) ||
           RecordNamesFile(SmallFileText(places.shared), settingsFullPath, IsSystemLeadByte);
}

bool LogonApplyRunningElsewhere() {
    // Only ever asked before this process marks its own apply.
    return runningApply == nullptr && OtherHolderOfRunningMark();
}

bool WritePendingRecord(const std::string& settingsFullPath) {
    if (runningApply == nullptr) {
        CreationAccess access(kMachineObjectAccess);
        runningApply = CreateEventA(access.get(), TRUE, FALSE, MachineWideObjectName(kRunningApplyName).c_str());
    }
    const RecordPlaces places = PlacesOf(settingsFullPath);
    const std::string text = PendingRecordText(settingsFullPath);
    // A whole record of the file that this user may not replace (another user's, in
    // the shared folder) guards this apply as well as one of their own would; it stays
    // until its maker or an administrator confirms the tuning.
    const auto recorded = [&](const std::string& place) {
        return WriteRecord(place, text) || RecordNamesFile(SmallFileText(place), settingsFullPath, IsSystemLeadByte);
    };
    if (recorded(places.beside)) return true;
    return !MachineRecordFolder().empty() && recorded(places.shared);
}

void EndPendingRecord(const std::string& settingsFullPath, bool clear) {
    if (runningApply != nullptr) {
        CloseHandle(runningApply);
        runningApply = nullptr;
    }
    // Closed first: of two applies ending together, at least the later sees no other.
    if (clear && !OtherHolderOfRunningMark()) ClearPendingRecord(settingsFullPath);
}

void ClearPendingRecord(const std::string& settingsFullPath) {
    const RecordPlaces places = PlacesOf(settingsFullPath);
    DeleteFileA(places.beside.c_str());
    // The shared folder holds one record per file name: one of another file with the
    // same name is not ours to remove.
    if (RecordNamesFile(SmallFileText(places.shared), settingsFullPath, IsSystemLeadByte))
        DeleteFileA(places.shared.c_str());
}

bool PendingRecordCanBeKept(const std::string& settingsFullPath) {
    const RecordPlaces places = PlacesOf(settingsFullPath);
    return RecordCanBeCreated(places.beside) || (!MachineRecordFolder().empty() && RecordCanBeCreated(places.shared));
}
