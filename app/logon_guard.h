// The logon apply: the silent apply of the file the Run-key value names, guarded
// against a tuning that hangs the machine. A pending record, on disk before the
// registers are written, stays until Windows has stayed up for the confirmation
// period (or ended in order); a logon that finds it asks before applying again.
#pragma once
#include <string>

// Whether the file is the one the Run-key value applies at logon.
bool IsLogonApply(const std::string& settingsPath);

// Applies the logon file under the guard. Skipped when a Shift key is held.
void RunLogonApply(const std::string& settingsPath);

// Forgets an unconfirmed logon apply of the file; nothing when there is none.
void ClearPendingRecord(const std::string& settingsPath);
