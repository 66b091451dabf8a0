// The File menu's two start-up commands: a saved tuning applied at every logon through
// startup.qln and the Run value that starts quillon.exe with it.
#pragma once

// Saves the cached field values to startup.qln and registers the silent apply.
// Reports failures in message boxes; success is never reported.
void ApplyStartupSettings();

// Removes the Run value and, once it is gone, the pending record of a logon apply.
// Silent when there is nothing to remove; a value that stays is reported. startup.qln
// stays.
void RemoveStartupSettings();
