// The wait after a logon apply: hidden, with no task-bar button, until Windows has
// stayed up for the confirmation period or the session ends in order; then the pending
// record goes.
#pragma once
#include <windows.h>

#include <string>

// The guard of one apply's confirmation period, from the write on. From its start the
// hidden window that hears the end of the session is there and the period runs, also
// while the apply shows a message box (whose modal loop delivers both).
class ConfirmationGuard {
public:
    explicit ConfirmationGuard(const std::string& settingsFullPath);
    ~ConfirmationGuard();
    ConfirmationGuard(const ConfirmationGuard&) = delete;
    ConfirmationGuard& operator=(const ConfirmationGuard&) = delete;

    // Returns once the apply of the file is confirmed and its record removed.
    void Await();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Confirm();

    const std::string settingsFullPath_;
    const DWORD periodMs_;
    const DWORD startedAt_;
    HWND window_ = nullptr;
    bool confirmed_ = false;
};
