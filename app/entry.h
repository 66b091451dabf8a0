// Process-wide start-up steps of the Windows entry.
#pragma once
#include <windows.h>

#include <string>

// Fills AppDirectory, ExePath and StartupFilePath from the working directory. False
// when the working directory does not fit a Windows path (260 characters or more).
bool ComputeAppPaths();

// The system's description of an error code, as FormatMessage gives it.
std::string SystemErrorText(unsigned long code);

// A zero-size window titled "Quillon" that owns the main window, so the task bar
// shows the application title rather than the main window's caption.
HWND CreateApplicationWindow(HINSTANCE instance);

// The whole program after the command line is known; returns the exit code.
int RunQuillon(const std::string& commandLineTail);
