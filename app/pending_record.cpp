#include "app/pending_record.h"

#include <windows.h>

#include "app/logon_rules.h"

namespace {

std::string ReadRecord(const std::string& recordPath) {
    HANDLE file = CreateFileA(recordPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    char text[2 * MAX_PATH];
    DWORD length = 0;
    if (!ReadFile(file, text, sizeof text, &length, nullptr)) length = 0;
    CloseHandle(file);
    return std::string(text, length);
}

}  // namespace

bool PendingRecordFound(const std::string& settingsFullPath) {
    return RecordNamesFile(ReadRecord(PendingRecordPath(settingsFullPath)), settingsFullPath);
}

// The record must outlive the hang it guards against, so it counts only once it is
// through to the disk; a record that did not get there is removed again.
bool WritePendingRecord(const std::string& settingsFullPath) {
    const std::string recordPath = PendingRecordPath(settingsFullPath);
    const std::string text = PendingRecordText(settingsFullPath);
    HANDLE file = CreateFileA(recordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool stored = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
                                  nullptr) &&
                        written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!stored) DeleteFileA(recordPath.c_str());
    return stored;
}

void ClearPendingRecord(const std::string& settingsFullPath) {
    DeleteFileA(PendingRecordPath(settingsFullPath).c_str());
}
