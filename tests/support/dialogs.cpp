#include "tests/support/dialogs.h"

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "tests/support/window_text.h"

namespace {

// A message box keeps its message in the static control with this id.
constexpr int kMessageTextId = 0xFFFF;

BOOL CALLBACK NoteIcon(HWND child, LPARAM found) {
    if (ShowsIcon(child)) *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

}  // namespace

DialogSeen ReadDialog(HWND dialog) {
    DialogSeen seen;
    seen.caption = WindowText(dialog);
    if (HWND text = GetDlgItem(dialog, kMessageTextId)) seen.text = WindowText(text);
    seen.yesNo = GetDlgItem(dialog, IDYES) != nullptr && GetDlgItem(dialog, IDNO) != nullptr;
    // The default button carries the default style (Wine's DM_GETDEFID names IDOK always).
    const LONG noStyle = GetWindowLongA(GetDlgItem(dialog, IDNO), GWL_STYLE);
    seen.noIsDefault = seen.yesNo && (noStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    EnumChildWindows(dialog, NoteIcon, reinterpret_cast<LPARAM>(&seen.hasIcon));
    return seen;
}

void PressButton(HWND dialog, int button) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// ---- Answers ----

namespace {

HWND FileNameField(HWND dialog) {
    HWND field = GetDlgItem(dialog, cmb13);
    return field != nullptr ? field : GetDlgItem(dialog, edt1);
}

void ObserveFileDialog(HWND dialog, FileDialogSeen* seen) {
    if (seen == nullptr) return;
    seen->title = WindowText(dialog);
    char folder[MAX_PATH] = {};
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    seen->folder = folder;
    seen->fileName = WindowText(FileNameField(dialog));
    HWND filters = GetDlgItem(dialog, cmb1);
    const LRESULT count = SendMessageA(filters, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[128] = {};
        SendMessageA(filters, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        seen->filters.push_back(text);
    }
    seen->filter = static_cast<int>(SendMessageA(filters, CB_GETCURSEL, 0, 0));
    HWND readOnly = GetDlgItem(dialog, chx1);
    seen->readOnlyBoxShown = readOnly != nullptr && IsWindowVisible(readOnly);
    seen->resizable = (GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME) != 0;
}

}  // namespace

DialogAnswer AcceptFile(const std::string& name, FileDialogSeen* seen) {
    return [name, seen](HWND dialog) {
        ObserveFileDialog(dialog, seen);
        SendMessageA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        PressButton(dialog, IDOK);
    };
}

DialogAnswer CancelDialog(FileDialogSeen* seen) {
    return [seen](HWND dialog) {
        ObserveFileDialog(dialog, seen);
        PressButton(dialog, IDCANCEL);
    };
}

DialogAnswer CloseMessageBox(HWND form, MessageBoxSeen* seen) {
    return [form, seen](HWND box) {
        static_cast<DialogSeen&>(*seen) = ReadDialog(box);
        seen->ownerDisabled = !IsWindowEnabled(form);
        PressButton(box, IDOK);
    };
}

DialogAnswer AnswerQuestion(HWND form, bool yes, MessageBoxSeen* seen) {
    return [form, yes, seen](HWND box) {
        static_cast<DialogSeen&>(*seen) = ReadDialog(box);
        seen->ownerDisabled = !IsWindowEnabled(form);
        PressButton(box, yes ? IDYES : IDNO);
    };
}

// ---- Whose dialogs ----

WindowOwner ThisThread() { return {GetCurrentProcessId(), GetCurrentThreadId()}; }
WindowOwner ThisProcess() { return {GetCurrentProcessId(), 0}; }
WindowOwner Process(DWORD processId) { return {processId, 0}; }

namespace {

// The owner's dialogs on screen; with a caption, only those that show it.
std::vector<HWND> OpenDialogs(WindowOwner owner, const std::string& caption = "") {
    std::vector<HWND> open;
    for (HWND window : TopLevelWindows(owner.processId, owner.threadId))
        if (IsWindowVisible(window) && WindowClass(window) == "#32770" &&
            (caption.empty() || WindowText(window) == caption))
            open.push_back(window);
    return open;
}

bool IsOpen(HWND dialog) { return IsWindow(dialog) && IsWindowVisible(dialog); }

std::string Seconds(unsigned ms) { return std::to_string(ms / 1000) + " s"; }

}  // namespace

// ---- The helper thread ----

DialogAnswerer::DialogAnswerer(std::vector<DialogStep> steps, WindowOwner owner, unsigned deadlineMs)
    : owner_(owner), deadlineMs_(deadlineMs) {
    for (const DialogStep& step : steps) unopened_.push_back(step.caption);
    thread_ = std::thread(&DialogAnswerer::AnswerSteps, this, std::move(steps));
}

DialogAnswerer::DialogAnswerer(AnswerEveryBox answer, WindowOwner owner, unsigned deadlineMs)
    : owner_(owner), deadlineMs_(deadlineMs) {
    thread_ = std::thread(&DialogAnswerer::AnswerBoxes, this, answer);
}

DialogAnswerer::~DialogAnswerer() { Stop(); }

std::vector<DialogSeen> DialogAnswerer::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        thread_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        for (const std::string& problem : problems_) ADD_FAILURE() << problem;
        // After a failure the later dialogs are its consequence, not news.
        if (!failed_)
            for (const std::string& caption : unopened_)
                ADD_FAILURE() << "the dialog \"" << caption << "\" never opened";
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void DialogAnswerer::AnswerSteps(std::vector<DialogStep> steps) {
    for (const DialogStep& step : steps) {
        HWND dialog = AwaitDialog(step.caption);
        if (dialog == nullptr) break;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            unopened_.erase(unopened_.begin());
        }
        Answer(dialog, step.answer);
    }
    // Whatever opens after a failure would hold the test thread in its loop for good.
    while (failed_ && !Stopping()) {
        DismissOpenDialogs();
        Sleep(20);
    }
}

void DialogAnswerer::AnswerBoxes(AnswerEveryBox answer) {
    const DialogAnswer press = [answer](HWND box) {
        const bool question = ReadDialog(box).yesNo;
        PressButton(box, question ? (answer.yes ? IDYES : IDNO) : IDOK);
    };
    while (!Stopping()) {
        const std::vector<HWND> open = OpenDialogs(owner_);
        if (open.empty())
            Sleep(20);
        else
            Answer(open.front(), press);
    }
}

// Polls for the dialog: the thread that opens it is inside the modal loop that shows it.
HWND DialogAnswerer::AwaitDialog(const std::string& caption) {
    const DWORD begin = GetTickCount();
    while (!Stopping()) {
        const std::vector<HWND> found = OpenDialogs(owner_, caption);
        if (!found.empty()) return found.front();
        if (GetTickCount() - begin > deadlineMs_) {
            const std::string instead = DismissOpenDialogs();
            Fail("the dialog \"" + caption + "\" did not open within " + Seconds(deadlineMs_) +
                 (instead.empty() ? "" : "; open instead, and closed:" + instead));
            return nullptr;
        }
        Sleep(10);
    }
    return nullptr;
}

void DialogAnswerer::Answer(HWND dialog, const DialogAnswer& answer) {
    Sleep(50);  // let the dialog finish setting itself up
    const DialogSeen seen = ReadDialog(dialog);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(seen);
    }
    answer(dialog);
    const DWORD begin = GetTickCount();
    while (!Stopping() && IsOpen(dialog)) {
        if (GetTickCount() - begin > deadlineMs_) {
            Fail("the dialog \"" + seen.caption + "\" was still open " + Seconds(deadlineMs_) +
                 " after it was answered");
            DismissOpenDialogs();
            return;
        }
        Sleep(10);
    }
}

// Closes every dialog of the owner the way a user who gave up would: Cancel, No, the
// close box.
std::string DialogAnswerer::DismissOpenDialogs() {
    std::string closed;
    for (HWND dialog : OpenDialogs(owner_)) {
        const DialogSeen seen = ReadDialog(dialog);
        closed += " \"" + seen.caption + "\" saying \"" + seen.text + "\"";
        for (int attempt = 0; attempt < 3 && IsOpen(dialog); ++attempt) {
            if (attempt == 0) PressButton(dialog, IDCANCEL);
            if (attempt == 1) PressButton(dialog, IDNO);
            if (attempt == 2) PostMessageA(dialog, WM_CLOSE, 0, 0);
            for (int wait = 0; wait < 50 && IsOpen(dialog); ++wait) Sleep(10);
        }
    }
    return closed;
}

void DialogAnswerer::Fail(const std::string& problem) {
    failed_ = true;
    std::lock_guard<std::mutex> lock(mutex_);
    problems_.push_back(problem);
}
