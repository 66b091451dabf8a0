// Every write of the registers goes into quillon.log, whoever asked for it.
#pragma once
#include <string>

#include "model/write_report.h"

// Adds the write to the log in the start folder. A log that cannot be written never
// stops or fails a write: the write has happened, and the chipset holds it.
void LogRegisterWrite(const RegisterWrite& write, WriteOrigin origin, const std::string& settingsPath);

// The window's writes, for its services.
void LogWindowWrite(const RegisterWrite& write);
