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

// Top-level, so that it is asked at the end of the session (a message-only window is
// not), and never shown, so that it has no task-bar button.
HWND CreateGuardWindow(WNDPROC windowProc) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kGuardWindowClass;
    RegisterClassA(&windowClass);
    return CreateWindowExA(WS_EX_TOOLWINDOW, kGuardWindowClass, kApplicationTitle, WS_POPUP, 0, 0,
                           0, 0, nullptr, nullptr, instance, nullptr);
}

}  // namespace

ConfirmationGuard::ConfirmationGuard(const std::string& settingsFullPath)
    : settingsFullPath_(settingsFullPath),
      periodMs_(ConfirmationPeriodSeconds(EnvironmentText(kConfirmSecondsVariable)) * 1000),
      startedAt_(GetTickCount()) {
    window_ = CreateGuardWindow(WindowProc);
    if (window_ == nullptr) return;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(window_, kConfirmationTimer, periodMs_, nullptr);
}

ConfirmationGuard::~ConfirmationGuard() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void ConfirmationGuard::Confirm() {
    if (confirmed_) return;
    EndPendingRecord(settingsFullPath_, true);
    confirmed_ = true;
    if (window_ == nullptr) return;
    KillTimer(window_, kConfirmationTimer);
    // Wakes the wait, which looks at confirmed_ only when a message is posted; a box
    // still open takes this as nothing.
    PostMessageA(window_, WM_NULL, 0, 0);
}

void ConfirmationGuard::Await() {
    if (window_ == nullptr) {
        const DWORD waited = GetTickCount() - startedAt_;
        if (waited < periodMs_) Sleep(periodMs_ - waited);
        return Confirm();
    }
    MSG message;
    while (!confirmed_ && GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
}

LRESULT CALLBACK ConfirmationGuard::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    auto* guard = reinterpret_cast<ConfirmationGuard*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // An orderly logoff or shutdown is no hang. Once this returns the process
            // may be ended at any moment, so the record goes now. An installer or the
            // restart manager closing applications ends nothing of Windows: the wait
            // goes on, and if it is cut short the next logon asks.
            if (guard != nullptr && wParam && !(static_cast<DWORD>(lParam) & ENDSESSION_CLOSEAPP))
                guard->Confirm();
            return 0;
        case WM_TIMER:
            // A box the apply shows stays open for the user to read; the wait ends
            // once it is closed.
            if (guard != nullptr && wParam == kConfirmationTimer) guard->Confirm();
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
