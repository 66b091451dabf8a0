// Reading and answering the dialogs and message boxes a program opens, from a helper
// thread: the thread that opened a modal dialog sits in its loop until it closes.
// Every wait has a deadline; what went wrong is reported to the running test, and a
// dialog left open past its deadline is dismissed so the test goes on.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Long enough for a file dialog under Wine on a busy machine.
constexpr unsigned kDialogDeadlineMs = 20000;

// What a dialog or message box showed when it opened.
struct DialogSeen {
    std::string caption;
    std::string text;             // a message box's message
    bool hasIcon = false;
    bool yesNo = false;           // a question with Yes and No buttons
    bool noIsDefault = false;
};

DialogSeen ReadDialog(HWND dialog);
// Clicks a button of the dialog, as the mouse does.
void PressButton(HWND dialog, int button);

// A message box, and whether the program's window took no input while it was open.
struct MessageBoxSeen : DialogSeen {
    bool ownerDisabled = false;
};

// What the file dialog offered when it opened.
struct FileDialogSeen {
    std::string title;
    std::string folder;
    std::string fileName;
    std::vector<std::string> filters;
    int filter = -1;
    bool readOnlyBoxShown = true;
    bool resizable = false;
};

using DialogAnswer = std::function<void(HWND dialog)>;

// Answers for file dialogs and message boxes.
DialogAnswer AcceptFile(const std::string& name, FileDialogSeen* seen = nullptr);
DialogAnswer CancelDialog(FileDialogSeen* seen = nullptr);
DialogAnswer CloseMessageBox(HWND form, MessageBoxSeen* seen);
// Answers a Yes/No question.
DialogAnswer AnswerQuestion(HWND form, bool yes, MessageBoxSeen* seen);

// One dialog to wait for (by caption) and answer.
struct DialogStep {
    std::string caption;
    DialogAnswer answer;
};

// Whose windows are watched: one thread's, or (thread 0) any of one process's.
struct WindowOwner {
    DWORD processId;
    DWORD threadId;
};
WindowOwner ThisThread();
WindowOwner ThisProcess();
WindowOwner Process(DWORD processId);

// The answer to every message box: OK, or for a question Yes or No.
struct AnswerEveryBox {
    bool yes = false;
};

class DialogAnswerer {
public:
    // Expects the given dialogs, in this order; each must open and, once answered, close
    // within the deadline. Stopping before one opened fails the test too.
    explicit DialogAnswerer(std::vector<DialogStep> steps, WindowOwner owner = ThisThread(),
                            unsigned deadlineMs = kDialogDeadlineMs);
    // Answers whatever message boxes open, until stopped.
    explicit DialogAnswerer(AnswerEveryBox answer, WindowOwner owner = ThisProcess(),
                            unsigned deadlineMs = kDialogDeadlineMs);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Stops watching, fails the test with what went wrong, and returns every dialog
    // answered, in order. Call it once whatever opens the dialogs has returned.
    std::vector<DialogSeen> Stop();

private:
    void AnswerSteps(std::vector<DialogStep> steps);
    void AnswerBoxes(AnswerEveryBox answer);
    HWND AwaitDialog(const std::string& caption);
    void Answer(HWND dialog, const DialogAnswer& answer);
    // Returns, for a report, what each dialog showed.
    std::string DismissOpenDialogs();
    void Fail(const std::string& problem);
    bool Stopping() const { return stop_; }

    const WindowOwner owner_;
    const unsigned deadlineMs_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::mutex mutex_;  // guards what the helper records for the test thread
    std::vector<DialogSeen> seen_;
    std::vector<std::string> problems_;
    std::vector<std::string> unopened_;  // steps still waited for
    std::thread thread_;
};
