// The main window, TSetRegisterForm: the interactive face of Quillon.
#pragma once
#include <windows.h>

#include <string>

struct RegisterWrite;

// What the window calls to save, load and register start-up settings, filled by
// whoever starts the window: the program hands the real operations (app/entry.h),
// tests their own.
struct FormServices {
    bool (*saveSettings)(const char* path);
    bool (*loadSettings)(const char* path);
    void (*applyStartupSettings)();
    void (*removeStartupSettings)();
    // Told of every write of the registers the window makes (the write log); may be
    // nullptr.
    void (*registersWritten)(const RegisterWrite& write);
    // Told once, right after the window's first read of the registers and before
    // anything can be written (the snapshot of the boot); may be nullptr.
    void (*registersFirstRead)();
    // The settings file File > Boot Values loads, or empty when there is none (the
    // item is then disabled); may be nullptr.
    std::string (*bootSnapshot)();
};

// Whether the start-up checks found the chipset the register table describes. On a
// refused machine the window still opens, so that the logon apply can be removed, but
// with nothing behind it: it never reads nor writes a register, its lists are empty and
// disabled, and only Remove Startup settings and Exit work.
enum class MachineState { Identified, Refused };

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
