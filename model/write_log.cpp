#include "model/write_log.h"

#include <windows.h>

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/machine_access.h"

#include "model/settings.h"
#include "model/write_report.h"

namespace {

// Enough for the last entries: one is some 400 bytes.
constexpr size_t kLogEndBytes = 4096;

// The newest part of the log that a trim can keep, or nothing when there is no log yet.
// False when it is there and cannot be read: then it is left alone.
bool ReadLogTail(const std::string& logPath, size_t limit, std::string* tail, DWORD* size) {
    tail->clear();
    *size = 0;
    // A link in the log's place is neither read (a trim would copy what it names into a
    // log every user reads) nor written.
    HANDLE file = OpenUnlinkedFile(logPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    *size = GetFileSize(file, nullptr);
    bool read = *size != INVALID_FILE_SIZE;
    // However large the log has grown, only what a trim keeps is read: a log past any
    // size is trimmed as well as one just past its limit.
    const DWORD wanted = read ? (*size < limit ? *size : static_cast<DWORD>(limit)) : 0;
    if (read && wanted > 0) {
        tail->resize(wanted);
        DWORD got = 0;
        read = SetFilePointer(file, static_cast<LONG>(*size - wanted), nullptr, FILE_BEGIN) !=
                   INVALID_SET_FILE_POINTER &&
               ReadFile(file, &(*tail)[0], wanted, &got, nullptr) && got == wanted;
    }
    CloseHandle(file);
    return read;
}

bool WriteThrough(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(file);
}

// At the end of the file, as it is now; shared, so that a reader (or another Quillon
// that could not get the port lock) never stops an entry.
bool AppendThrough(const std::string& logPath, const std::string& entry) {
    HANDLE file = OpenUnlinkedFile(logPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool stored =
        SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER && WriteThrough(file, entry);
    CloseHandle(file);
    return stored;
}

bool WriteTrimmedLog(const char* contentPath, const void* text) {
    // Shared as the handle the save holds on it until the move: 9x's sharing rules
    // refuse an exclusive open while that one is there.
    HANDLE file = CreateFileA(contentPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool stored = WriteThrough(file, *static_cast<const std::string*>(text));
    CloseHandle(file);
    return stored;
}

// Replaced whole, as a settings file is saved: a hang or a power cut at any moment
// leaves the old log or the new one.
bool ReplaceLog(const std::string& logPath, const std::string& text) {
    return WriteSettingsFileWhole(logPath.c_str(), WriteTrimmedLog, &text);
}

}  // namespace

std::string LocalTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Concat({DecimalText(now.wYear, 4), "-", DecimalText(now.wMonth, 2), "-", DecimalText(now.wDay, 2),
                   " ", DecimalText(now.wHour, 2), ":", DecimalText(now.wMinute, 2), ":",
                   DecimalText(now.wSecond, 2)});
}

bool AppendToWriteLog(const std::string& logPath, const std::string& entry) {
    std::string tail;
    DWORD size = 0;
    if (!ReadLogTail(logPath, kWriteLogLimit, &tail, &size)) return false;
    if (size + entry.size() <= kWriteLogLimit) return AppendThrough(logPath, entry);
    // The tail may start inside an entry; a trim keeps whole entries of its newer half.
    return ReplaceLog(logPath, LogWithEntry(tail, entry, kWriteLogLimit)) || AppendThrough(logPath, entry);
}

std::string WriteLogEnd(const std::string& logPath) {
    std::string tail;
    DWORD size = 0;
    return ReadLogTail(logPath, kLogEndBytes, &tail, &size) ? tail : std::string();
}
