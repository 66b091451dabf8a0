// The wait after a logon apply: hidden, with no task-bar button, until Windows has
// stayed up for the confirmation period or the session ends in order; then the pending
// record goes.
#pragma once
#include <string>

// Returns once the apply of the file is confirmed and its record removed.
void AwaitConfirmation(const std::string& settingsFullPath);
