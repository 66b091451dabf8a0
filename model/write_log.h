// quillon.log: every write of the registers, appended as it happens.
#pragma once
#include <string>

// The local date and time as the log shows it: "2026-12-09 23:59:01".
std::string LocalTimeText();

// Adds the entry to the log file, dropping the log's oldest half first when it would
// grow past its limit. False when the log cannot be written; nothing depends on it.
bool AppendToWriteLog(const std::string& logPath, const std::string& entry);
