// The record of a logon apply not yet confirmed: on disk before the registers are
// written, removed once Windows has stayed up (or ended in order). Only this module
// reads or writes it.
#pragma once
#include <string>

// Whether an earlier logon apply of the file left its record behind.
bool PendingRecordFound(const std::string& settingsFullPath);

// Writes the record through to the disk. False when it could not be made whole (a
// folder this user may not write to); nothing is left behind then.
bool WritePendingRecord(const std::string& settingsFullPath);

// Removes the record; nothing when there is none.
void ClearPendingRecord(const std::string& settingsFullPath);
