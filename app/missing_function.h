// A function bound on its first call (the delay-loaded DLLs) that this Windows lacks:
// reported once, by name and DLL, and the program ends, instead of the exception the
// linker's helper would raise, which nothing here could catch.
#pragma once
#include <string>

// From here on, a missing delay-loaded function or DLL is reported and ends the run.
void ReportMissingFunctions();

// The report's text: `function` of `dll`, which the system could not give; with
// `dllMissing` the DLL itself would not load.
std::string MissingFunctionText(const std::string& function, const std::string& dll, bool dllMissing);
