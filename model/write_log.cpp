#include "model/write_log.h"

#include <windows.h>

#include "hw/concat.h"
#include "hw/hex_text.h"

#include "model/write_report.h"

namespace {

// The whole log, or nothing when it is not there yet. False when it is there and
// cannot be read: then it is left alone rather than overwritten.
bool ReadLog(const std::string& logPath, std::string* text) {
    text->clear();
    HANDLE file = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    const DWORD size = GetFileSize(file, nullptr);
    bool read = size != INVALID_FILE_SIZE && size <= 2 * kWriteLogLimit;
    if (read && size > 0) {
        text->resize(size);
        DWORD got = 0;
        read = ReadFile(file, &(*text)[0], size, &got, nullptr) && got == size;
    }
    CloseHandle(file);
    return read;
}

bool WriteLog(const std::string& logPath, const std::string& text, bool append) {
    HANDLE file = CreateFileA(logPath.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool stored =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(file);
    return stored;
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
    std::string log;
    if (!ReadLog(logPath, &log)) return false;
    const std::string updated = LogWithEntry(log, entry, kWriteLogLimit);
    // The usual case only appends: what is already there is never at risk.
    if (updated.size() == log.size() + entry.size() && updated.compare(0, log.size(), log) == 0)
        return WriteLog(logPath, entry, true);
    return WriteLog(logPath, updated, false);
}
