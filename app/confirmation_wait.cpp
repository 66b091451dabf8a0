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
// Posted by the apply's thread to the listener's window.
const UINT kStartPeriodMessage = WM_APP;
const UINT kCloseMessage = WM_APP + 1;
// Read only to shorten the period for tests.
const char kConfirmSecondsVariable[] = "QUILLON_CONFIRM_SECONDS";

// Top-level, so that it is asked at the end of the session (a message-only window is
// not), and never shown, so that it has no task-bar button.
HWND CreateGuardWindow(WNDPROC windowProc, void* guard) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kGuardWindowClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kGuardWindowClass, kApplicationTitle, WS_POPUP, 0, 0, 0,
                                  0, nullptr, nullptr, instance, nullptr);
    if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(guard));
    return window;
}

}  // namespace

ConfirmationGuard::ConfirmationGuard(const std::string& settingsFullPath, bool earlierRecordKept)
    : settingsFullPath_(settingsFullPath),
      earlierRecordKept_(earlierRecordKept),
      periodMs_(ConfirmationPeriodSeconds(EnvironmentText(kConfirmSecondsVariable)) * 1000) {
    InitializeCriticalSection(&lock_);
    windowReady_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ended_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = windowReady_ != nullptr && ended_ != nullptr ? CreateThread(nullptr, 0, Listen, this, 0, nullptr)
                                                           : nullptr;
    // The record is written only once its listener is there.
    if (thread_ != nullptr) WaitForSingleObject(windowReady_, INFINITE);
}

ConfirmationGuard::~ConfirmationGuard() {
    if (thread_ != nullptr) {
        if (window_ != nullptr) PostMessageA(window_, kCloseMessage, 0, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (ended_ != nullptr) CloseHandle(ended_);
    if (windowReady_ != nullptr) CloseHandle(windowReady_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI ConfirmationGuard::Listen(LPVOID parameter) {
    auto* guard = static_cast<ConfirmationGuard*>(parameter);
    guard->window_ = CreateGuardWindow(WindowProc, guard);
    SetEvent(guard->windowReady_);
    if (guard->window_ == nullptr) return 0;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

void ConfirmationGuard::End(bool clear) {
    EnterCriticalSection(&lock_);
    if (!over_) {
        EndPendingRecord(settingsFullPath_, clear);
        over_ = true;
        if (ended_ != nullptr) SetEvent(ended_);
    }
    LeaveCriticalSection(&lock_);
}

void ConfirmationGuard::SessionEnded() {
    EnterCriticalSection(&lock_);
    const bool written = periodStarted_;
    LeaveCriticalSection(&lock_);
    // An orderly end of the session is no hang; before the write it vouches for no
    // earlier record.
    End(written || !earlierRecordKept_);
}

bool ConfirmationGuard::WriteRecord() {
    EnterCriticalSection(&lock_);
    const bool written = !over_ && WritePendingRecord(settingsFullPath_);
    LeaveCriticalSection(&lock_);
    return written;
}

void ConfirmationGuard::StartPeriod() {
    EnterCriticalSection(&lock_);
    periodStarted_ = true;
    periodStartedAt_ = GetTickCount();
    LeaveCriticalSection(&lock_);
    if (window_ != nullptr) PostMessageA(window_, kStartPeriodMessage, 0, 0);
}

void ConfirmationGuard::EndWithoutWrite() { End(!earlierRecordKept_); }

void ConfirmationGuard::EndUnrecorded() { End(false); }

void ConfirmationGuard::Await() {
    if (window_ == nullptr) {
        // No listener to hear the session end: the period is waited out here.
        const DWORD waited = GetTickCount() - periodStartedAt_;
        if (waited < periodMs_) Sleep(periodMs_ - waited);
        return End(true);
    }
    WaitForSingleObject(ended_, INFINITE);
}

LRESULT CALLBACK ConfirmationGuard::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* guard = reinterpret_cast<ConfirmationGuard*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // Once this returns the process may be ended at any moment, so the record's
            // fate is settled now. An installer or the restart manager closing
            // applications ends nothing of Windows: the wait goes on, and if it is cut
            // short the next logon asks.
            if (guard != nullptr && wParam && !(static_cast<DWORD>(lParam) & ENDSESSION_CLOSEAPP))
                guard->SessionEnded();
            return 0;
        case kStartPeriodMessage:
            if (guard != nullptr) SetTimer(window, kConfirmationTimer, guard->periodMs_, nullptr);
            return 0;
        case WM_TIMER:
            if (guard != nullptr && wParam == kConfirmationTimer) {
                KillTimer(window, kConfirmationTimer);
                guard->End(true);
            }
            return 0;
        case kCloseMessage:
            DestroyWindow(window);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
