#include "app/logon_guard.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/logon_rules.h"
#include "app/silent_apply.h"
#include "app/startup_registration.h"
#include "hw/pci_registers.h"
#include "ui/messages.h"

namespace {

// The hidden window that waits out the confirmation period; tests look it up by name.
const char kGuardWindowClass[] = "QuillonLogonGuard";
const UINT_PTR kConfirmationTimer = 1;
// Read only to shorten the period for tests.
const char kConfirmSecondsVariable[] = "QUILLON_CONFIRM_SECONDS";

std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return (length == 0 || length >= MAX_PATH) ? path : std::string(full, length);
}

std::string EnvironmentText(const char* name) {
    char value[64];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return (length == 0 || length >= sizeof value) ? std::string() : std::string(value, length);
}

bool ShiftKeyHeld() {
    const SHORT state =
        GetAsyncKeyState(VK_SHIFT) | GetAsyncKeyState(VK_LSHIFT) | GetAsyncKeyState(VK_RSHIFT);
    return (state & 0x8000) != 0;
}

std::string ReadRecord(const std::string& recordPath) {
    HANDLE file = CreateFileA(recordPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    char text[2 * MAX_PATH];
    DWORD length = 0;
    if (!ReadFile(file, text, sizeof text, &length, nullptr)) length = 0;
    CloseHandle(file);
    return std::string(text, length);
}

// The record must outlive the hang it guards against, so it counts only once it is
// through to the disk; a record that did not get there is removed again.
bool WriteRecord(const std::string& recordPath, const std::string& text) {
    HANDLE file = CreateFileA(recordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool stored = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
                                  nullptr) &&
                        written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!stored) DeleteFileA(recordPath.c_str());
    return stored;
}

void EndConfirmation(HWND window) {
    const auto* recordPath =
        reinterpret_cast<const std::string*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (recordPath != nullptr) DeleteFileA(recordPath->c_str());
    KillTimer(window, kConfirmationTimer);
    DestroyWindow(window);
}

LRESULT CALLBACK GuardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // An orderly logoff or shutdown is no hang. Once this returns the process
            // may be ended at any moment, so the record goes now.
            if (wParam) EndConfirmation(window);
            return 0;
        case WM_TIMER:
            if (wParam == kConfirmationTimer) EndConfirmation(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Top-level, so that it is asked at the end of the session (a message-only window is
// not), and never shown, so that it has no task-bar button.
HWND CreateGuardWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = GuardWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kGuardWindowClass;
    RegisterClassA(&windowClass);
    return CreateWindowExA(WS_EX_TOOLWINDOW, kGuardWindowClass, kApplicationTitle, WS_POPUP, 0, 0,
                           0, 0, nullptr, nullptr, instance, nullptr);
}

void AwaitConfirmation(const std::string& recordPath) {
    const UINT periodMs = ConfirmationPeriodSeconds(EnvironmentText(kConfirmSecondsVariable)) * 1000;
    HWND window = CreateGuardWindow();
    if (window == nullptr) {
        Sleep(periodMs);
        DeleteFileA(recordPath.c_str());
        return;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&recordPath));
    SetTimer(window, kConfirmationTimer, periodMs, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
}

}  // namespace

bool IsLogonApply(const std::string& settingsPath) {
    const std::string command = RegisteredStartupCommand();
    return !command.empty() &&
           SamePath(FullPath(SettingsPathOfCommand(command)), FullPath(settingsPath));
}

void RunLogonApply(const std::string& settingsPath) {
    if (ShiftKeyHeld()) {
        ShowProgramMessage(ShiftSkipMessage(settingsPath), kApplicationTitle);
        return;
    }
    const std::string fullPath = FullPath(settingsPath);
    const std::string recordPath = PendingRecordPath(fullPath);
    const bool unconfirmed = RecordNamesFile(ReadRecord(recordPath), fullPath);
    if (unconfirmed && !AskProgramQuestion(UnconfirmedApplyQuestion(settingsPath))) return;
    if (!LoadFileForApply(settingsPath)) return;
    // A record that cannot be written (a folder this user may not write to) must not
    // stop a working setup: the apply then goes ahead unguarded, as it always did.
    const bool recorded = WriteRecord(recordPath, PendingRecordText(fullPath));
    try {
        WriteAllRegisters();
    } catch (...) {
        // Nothing was written (the ports stayed busy), so this apply leaves no record.
        if (recorded && !unconfirmed) DeleteFileA(recordPath.c_str());
        throw;
    }
    if (recorded) AwaitConfirmation(recordPath);
}

void ClearPendingRecord(const std::string& settingsPath) {
    DeleteFileA(PendingRecordPath(FullPath(settingsPath)).c_str());
}
