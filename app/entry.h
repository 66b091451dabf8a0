// Process-wide start-up steps of the Windows entry.
#pragma once
#include <string>

struct FormServices;
struct PortOperations;

// The system's description of an error code, as FormatMessage gives it.
std::string SystemErrorText(unsigned long code);

// What the main window calls to save, load and register start-up settings: the real
// operations of the settings file and the start-up registration.
const FormServices& ProgramServices();

// The whole program after the command line is known, reaching the hardware through
// `ports`; returns the exit code.
int RunQuillon(const std::string& commandLineTail, const PortOperations& ports);
