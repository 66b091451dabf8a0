// quillon.log: every write of the registers, appended as it happens.
#pragma once
#include <string>

// The local date and time as the log shows it: "2026-12-09 23:59:01".
std::string LocalTimeText();

// Adds the entry to the log file and sees it through to the disk before returning: the
// write it tells of may hang the machine a moment later. When the log would grow past
// its limit its oldest entries go, the file replaced whole (old log or new, never a
// torn one); where that replacement fails the entry is appended all the same. False
// when the entry could not be stored; nothing else depends on it.
bool AppendToWriteLog(const std::string& logPath, const std::string& entry);

// The last few entries of the log (its end may start inside one); empty when there is
// no log or it cannot be read.
std::string WriteLogEnd(const std::string& logPath);
