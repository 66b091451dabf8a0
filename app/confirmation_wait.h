// The wait after a logon apply: hidden, with no task-bar button, until Windows has
// stayed up for the confirmation period or the session ends in order; then the pending
// record goes.
#pragma once
#include <windows.h>

#include <string>

// The guard of one apply's record, made before the record is written: from then on a
// hidden window, on a thread of its own, hears the end of the session, whatever the
// apply is doing meanwhile (waiting for the ports, writing, showing a message box).
// The confirmation period runs from the write on.
class ConfirmationGuard {
public:
    // `earlierRecordKept`: the record there is stands for an earlier apply that was
    // never confirmed (the user chose to apply it anyway), so a session that ends before
    // this apply has written leaves it, as no write of this apply can vouch for it.
    ConfirmationGuard(const std::string& settingsFullPath, bool earlierRecordKept);
    ~ConfirmationGuard();
    ConfirmationGuard(const ConfirmationGuard&) = delete;
    ConfirmationGuard& operator=(const ConfirmationGuard&) = delete;

    // Writes the record (app/pending_record.h), as one step with any end of the session
    // heard meanwhile, which then finds it whole and removes it; none once the session
    // has ended. False when none was written.
    bool WriteRecord();
    // The registers are written: the period starts.
    void StartPeriod();
    // The apply ends without a write to wait for: the record goes (unless an earlier
    // one is kept), and nothing more is heard.
    void EndWithoutWrite();
    // The apply wrote without a record (none could be kept): nothing to wait for.
    void EndUnrecorded();
    // Returns once the apply of the file is confirmed and its record removed.
    void Await();

private:
    static DWORD WINAPI Listen(LPVOID guard);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The record's end, once, from whichever thread comes first.
    void End(bool clear);
    void SessionEnded();

    const std::string settingsFullPath_;
    const bool earlierRecordKept_;
    const DWORD periodMs_;
    CRITICAL_SECTION lock_;
    HANDLE windowReady_ = nullptr;  // set once the listener has made its window (or failed to)
    HANDLE ended_ = nullptr;        // set once the record's fate is settled
    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
    bool periodStarted_ = false;
    DWORD periodStartedAt_ = 0;
    bool over_ = false;
};
