#include "app/confirmation_wait.h"

#include <windows.h>

#include "app/app_paths.h"
#include "app/logon_rules.h"
#include "app/pending_record.h"
#include "ui/messages.h"

namespace {

// The hidden window that waits out the confirmation period; tests look it up by name.
const char kGuardWindowClass[] = "QuillonLogonGuard";
const UINT_PTR kConfirmationTimer = 1;
// Read only to shorten the period for tests.
const char kConfirmSecondsVariable[] = "QUILLON_CONFIRM_SECONDS";

void EndConfirmation(HWND window) {
    const auto* settingsFullPath =
        reinterpret_cast<const std::string*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (settingsFullPath != nullptr) EndPendingRecord(*settingsFullPath, true);
    KillTimer(window, kConfirmationTimer);
    DestroyWindow(window);
}

LRESULT CALLBACK GuardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // An orderly logoff or shutdown is no hang. Once this returns the process
            // may be ended at any moment, so the record goes now. An installer or the
            // restart manager closing applications ends nothing of Windows: the wait
            // goes on, and if it is cut short the next logon asks.
            if (wParam && !(static_cast<DWORD>(lParam) & ENDSESSION_CLOSEAPP))
                EndConfirmation(window);
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

}  // namespace

void AwaitConfirmation(const std::string& settingsFullPath) {
    const UINT periodMs = ConfirmationPeriodSeconds(EnvironmentText(kConfirmSecondsVariable)) * 1000;
    HWND window = CreateGuardWindow();
    if (window == nullptr) {
        Sleep(periodMs);
        EndPendingRecord(settingsFullPath, true);
        return;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&settingsFullPath));
    SetTimer(window, kConfirmationTimer, periodMs, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
}
