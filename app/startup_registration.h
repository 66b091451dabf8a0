// Applying a saved tuning at every logon: startup.qln plus a value under the
// machine-wide Run key that starts quillon.exe with that file.
#pragma once

// Saves the cached field values to startup.qln and registers the silent apply.
// Reports failures in message boxes; success is never reported.
void ApplyStartupSettings();

// Removes the registry value; silent when it is absent. startup.qln stays.
void RemoveStartupSettings();
