// What the main window is handed by whoever starts it: the operations it calls and
// whether the machine passed the start-up checks.
#pragma once
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
