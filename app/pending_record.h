// The record of a logon apply not yet confirmed: on disk before the registers are
// written, removed once Windows has stayed up (or ended in order). It is kept beside
// the file when that folder takes it, otherwise in the records' folder of the machine's
// Quillon folder (app/machine_folder.h), and looked for in both, so that whoever logs
// on next finds it. Only this module reads or writes it.
#pragma once
#include <string>

// Whether an earlier logon apply of the file left its record behind.
bool PendingRecordFound(const std::string& settingsFullPath);

// Whether a logon apply in another process (another user's session) is still within its
// confirmation period: the record it keeps is then no leftover of a hang.
bool LogonApplyRunningElsewhere();

// Marks this process's logon apply as running, for every session, until
// EndPendingRecord, then writes the record through to the disk. False when no place
// took it whole; nothing is left behind then.
bool WritePendingRecord(const std::string& settingsFullPath);

// This process's apply is over. With clear, its record goes too, unless another logon
// apply is still within its period: the last one to end removes it.
void EndPendingRecord(const std::string& settingsFullPath, bool clear);

// Removes the record from both places, whoever wrote it; nothing when there is none.
void ClearPendingRecord(const std::string& settingsFullPath);

// Whether a record of the file can be kept beside it or in the shared folder, which is
// made (every user may add records to it) when it is missing. Writes nothing that stays.
bool PendingRecordCanBeKept(const std::string& settingsFullPath);

