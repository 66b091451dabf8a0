// The main window, TSetRegisterForm: the interactive face of Quillon.
#pragma once
#include <windows.h>

// Creates the main window (which reads the registers and shows their values), shows it
// centred and runs the message loop until it is closed. `owner` is the application's
// own window, or nullptr. Returns the loop's exit code.
int RunMainWindow(HINSTANCE instance, HWND owner);
