// The rules of the guarded logon apply that need no platform: which file a logon
// applies, where its pending record lives, how long it waits, and what it says.
#pragma once
#include <string>

#include "hw/path_text.h"

// Whether two full paths name the same file as Windows sees them: letters compared
// regardless of case, '/' taken as '\', runs of separators as one. The lead-byte test
// is the code page's the paths are written in (hw/path_text.h).
bool SamePath(const std::string& a, const std::string& b, LeadByteTest isLeadByte);

// The record of an applied, not yet confirmed logon tuning, beside its file.
std::string PendingRecordPath(const std::string& settingsFullPath);
// The same record kept in the folder shared by all users, for when the folder of the
// file takes none (a folder only administrators may write, a path too long).
std::string SharedRecordPath(const std::string& sharedFolder, const std::string& settingsFullPath,
                             LeadByteTest isLeadByte);

// The record's contents: the full path of the file it stands for.
std::string PendingRecordText(const std::string& settingsFullPath);
// Whether a record's contents stand for that file. A record cut short before it was
// complete (power lost while it was written) stands for none: the registers are only
// touched once it is on disk.
bool RecordNamesFile(const std::string& recordText, const std::string& settingsFullPath,
                     LeadByteTest isLeadByte);

constexpr unsigned kConfirmationSeconds = 120;

// The confirmation period: two minutes, or fewer when the test setting names a whole
// number of seconds below that.
unsigned ConfirmationPeriodSeconds(const std::string& setting);

// The question asked when the last logon apply of the file was never confirmed.
std::string UnconfirmedApplyQuestion(const std::string& settingsPath);

// Said when a Shift key held at logon skips the apply.
std::string ShiftSkipMessage(const std::string& settingsPath);

// How long after its start a logon apply watches for Shift, and how often it looks:
// Run entries start while the desktop is still busy, and a key pressed a moment after
// the start must count too.
constexpr unsigned kShiftWatchMs = 2000;
constexpr unsigned kShiftPollMs = 50;

// The watch: two seconds, or fewer when the test setting names a whole number of
// milliseconds below that.
unsigned ShiftWatchMilliseconds(const std::string& setting);

// Said, once, by a logon apply that could keep its record nowhere: it goes ahead
// unguarded.
std::string UnguardedApplyMessage(const std::string& settingsPath, const std::string& sharedFolder);

// Said when registering the start-up file finds no place where a logon apply could
// keep its record.
std::string NoRecordPlaceMessage(const std::string& settingsPath, const std::string& sharedFolder);
