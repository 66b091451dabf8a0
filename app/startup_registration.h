// Applying a saved tuning at every logon: startup.qln plus a value under the
// machine-wide Run key that starts quillon.exe with that file.
#pragma once
#include <string>

// Saves the cached field values to startup.qln and registers the silent apply.
// Reports failures in message boxes; success is never reported.
void ApplyStartupSettings();

// Removes the registry value and the pending record of a logon apply; silent when they
// are absent. startup.qln stays.
void RemoveStartupSettings();

// The command the Run-key value holds; empty when there is none or it cannot be read.
std::string RegisteredStartupCommand();
