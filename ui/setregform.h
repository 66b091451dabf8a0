// The main window, TSetRegisterForm: the interactive face of Quillon.
#pragma once
#include <windows.h>

#include "ui/form_services.h"

// Creates the main window (which reads the registers and shows their values), shows it
// centred and runs the message loop until it is closed. `owner` is the application's
// own window, or nullptr. Returns the loop's exit code.
int RunMainWindow(HINSTANCE instance, HWND owner, const FormServices& services,
                  MachineState machine = MachineState::Identified);

// Creates the main window, hidden, centred on the desktop, with the registers read
// and shown. Returns nullptr when Windows refuses to create it.
HWND CreateMainWindow(HINSTANCE instance, HWND owner, const FormServices& services,
                      MachineState machine = MachineState::Identified);

// Shows the window with the keyboard focus in its first control.
void ShowMainWindow(HWND window);

// Handles one message of the window's thread as its message loop does: the keyboard
// interface of the controls (Tab, arrows, access keys) first, then the usual dispatch.
void DispatchFormMessage(HWND window, MSG& message);

// The window's control of that name (as the form description names it), or nullptr.
HWND FindFormControl(HWND window, const char* name);
