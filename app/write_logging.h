// Every write of the registers goes into quillon.log, whoever asked for it.
#pragma once
#include <string>

#include "model/write_report.h"

// Where the log is: the machine's Quillon folder, whatever folder Quillon was started in.
std::string WriteLogPath();

// Adds the write to the log. A log that cannot be written never stops or fails a write
// (the write has happened, and the chipset holds it), but it is said, once a run.
void LogRegisterWrite(const RegisterWrite& write, WriteOrigin origin, const std::string& settingsPath);

// Notes in the log the boot's first read that could not be saved as the snapshot.
void LogUnsavedBootValues(const RegisterValues& firstRead, const std::string& snapshotPath);

// The window's writes, for its services.
void LogWindowWrite(const RegisterWrite& write);
