// The rules of the guarded logon apply that need no platform: which file a logon
// applies, where its pending record lives, how long it waits, and what it says.
#pragma once
#include <string>

// Whether two full paths name the same file as Windows sees them: letters compared
// regardless of case, '/' taken as '\', runs of separators as one.
bool SamePath(const std::string& a, const std::string& b);

// The record of an applied, not yet confirmed logon tuning, beside its file.
std::string PendingRecordPath(const std::string& settingsFullPath);

// The record's contents: the full path of the file it stands for.
std::string PendingRecordText(const std::string& settingsFullPath);
// Whether a record's contents stand for that file. A record cut short before it was
// complete (power lost while it was written) stands for none: the registers are only
// touched once it is on disk.
bool RecordNamesFile(const std::string& recordText, const std::string& settingsFullPath);

constexpr unsigned kConfirmationSeconds = 120;

// The confirmation period: two minutes, or fewer when the test setting names a whole
// number of seconds below that.
unsigned ConfirmationPeriodSeconds(const std::string& setting);

// The question asked when the last logon apply of the file was never confirmed.
std::string UnconfirmedApplyQuestion(const std::string& settingsPath);

// Said when a Shift key held at logon skips the apply.
std::string ShiftSkipMessage(const std::string& settingsPath);
