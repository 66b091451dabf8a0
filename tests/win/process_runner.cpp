#include "tests/win/process_runner.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

struct Watch {
    DWORD processId;
    ProgramRun* run;
    std::vector<HWND> answered;
    bool answerYes = false;
};

std::string WindowText(HWND window) {
    char text[4096];
    const int n = GetWindowTextA(window, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

std::string ClassName(HWND window) {
    char name[256];
    const int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? n : 0);
}

BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && ClassName(child) == "Static")
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// Reads a message box and presses the button a user would.
void AnswerBox(HWND window, Watch& watch) {
    ShownBox box;
    box.caption = WindowText(window);
    // A message box keeps its text in the static control with id 0xFFFF.
    char text[4096] = "";
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    box.text = text;
    box.yesNo = GetDlgItem(window, IDYES) != nullptr && GetDlgItem(window, IDNO) != nullptr;
    // The default button carries the default style (Wine's DM_GETDEFID names IDOK always).
    const LONG noStyle = GetWindowLongA(GetDlgItem(window, IDNO), GWL_STYLE);
    box.noIsDefault = box.yesNo && (noStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    EnumChildWindows(window, FindIcon, reinterpret_cast<LPARAM>(&box.hasIcon));
    watch.run->boxes.push_back(box);
    watch.answered.push_back(window);
    const WPARAM button = box.yesNo ? (watch.answerYes ? IDYES : IDNO) : IDOK;
    PostMessageA(window, WM_COMMAND, button, 0);
}

BOOL CALLBACK AnswerWindow(HWND window, LPARAM parameter) {
    Watch& watch = *reinterpret_cast<Watch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != watch.processId || !IsWindowVisible(window)) return TRUE;
    for (HWND seen : watch.answered)
        if (seen == window) return TRUE;
    const std::string className = ClassName(window);
    if (className == "#32770") {
        AnswerBox(window, watch);
    } else if (className != "QuillonApplication") {
        RECT r;
        GetWindowRect(window, &r);
        if (r.right - r.left > 0 && r.bottom - r.top > 0) {
            watch.run->mainWindowOpened = true;
            watch.run->mainWindowCaption = WindowText(window);
            HWND owner = GetWindow(window, GW_OWNER);
            if (owner != nullptr) watch.run->mainWindowOwnerCaption = WindowText(owner);
            watch.answered.push_back(window);
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
    }
    return TRUE;
}

std::string Environment(const char* name) {
    char value[32768];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// Sets or clears an environment variable for the child and puts it back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        had_ = GetEnvironmentVariableA(name, nullptr, 0) > 0;
        old_ = Environment(name);
        SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

private:
    const char* name_;
    bool had_;
    std::string old_;
};

}  // namespace

std::string TestExecutableFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string BuiltProgramPath() {
    const std::string folder = TestExecutableFolder();
    return folder.substr(0, folder.find_last_of('\\')) + "\\bin\\quillon.exe";
}

namespace {

struct Child {
    const ProgramStart* start;
    ProgramRun run;
    PROCESS_INFORMATION process = {};
    Watch watch{0, nullptr, {}};
    bool endedByTest = false;
};

void StartChild(Child& child) {
    const ProgramStart& start = *child.start;
    std::string path = Environment("PATH");
    if (start.withPortLibrary) path = TestExecutableFolder() + ";" + path;
    ScopedVariable pathVariable("PATH", path);
    ScopedVariable state("QUILLON_SIM_STATE", start.simState);
    ScopedVariable log("QUILLON_SIM_LOG", start.simLog);
    std::vector<std::unique_ptr<ScopedVariable>> further;
    for (const auto& [name, value] : start.environment)
        further.emplace_back(new ScopedVariable(name.c_str(), value));

    std::string commandLine = "\"" + start.exePath + "\"";
    if (!start.argumentTail.empty()) commandLine += " " + start.argumentTail;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    child.run.started =
        CreateProcessA(start.exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       start.workingDirectory.empty() ? nullptr : start.workingDirectory.c_str(),
                       &startup, &child.process) != FALSE;
    if (!child.run.started)
        std::fprintf(stderr, "cannot start %s: error %lu\n", start.exePath.c_str(), GetLastError());
    child.watch = Watch{child.process.dwProcessId, &child.run, {}, start.answerYes};
}

// One look at a running child; false once it has ended, on its own or by the test.
bool WatchChild(Child& child) {
    if (WaitForSingleObject(child.process.hProcess, 0) != WAIT_TIMEOUT) return false;
    EnumWindows(AnswerWindow, reinterpret_cast<LPARAM>(&child.watch));
    if (child.start->whileRunning && child.start->whileRunning(child.process.dwProcessId)) {
        child.endedByTest = true;
        TerminateProcess(child.process.hProcess, 99);
        WaitForSingleObject(child.process.hProcess, INFINITE);
        return false;
    }
    return true;
}

void FinishChild(Child& child) {
    const bool stillRunning = WaitForSingleObject(child.process.hProcess, 0) == WAIT_TIMEOUT;
    child.run.finished = !stillRunning && !child.endedByTest;
    if (stillRunning) {
        std::fprintf(stderr, "%s %s still running: ended by the test\n", child.start->exePath.c_str(),
                     child.start->argumentTail.c_str());
        TerminateProcess(child.process.hProcess, 99);
        WaitForSingleObject(child.process.hProcess, INFINITE);
    }
    GetExitCodeProcess(child.process.hProcess, &child.run.exitCode);
    CloseHandle(child.process.hThread);
    CloseHandle(child.process.hProcess);
}

}  // namespace

std::vector<ProgramRun> RunPrograms(const std::vector<ProgramStart>& starts, unsigned timeoutMs) {
    std::vector<Child> children(starts.size());
    for (size_t i = 0; i < starts.size(); ++i) {
        children[i].start = &starts[i];
        StartChild(children[i]);
    }
    const DWORD begin = GetTickCount();
    for (bool running = true; running && GetTickCount() - begin < timeoutMs;) {
        Sleep(25);
        running = false;
        for (Child& child : children)
            if (child.run.started && WatchChild(child)) running = true;
    }
    std::vector<ProgramRun> runs;
    for (Child& child : children) {
        if (child.run.started) FinishChild(child);
        runs.push_back(child.run);
    }
    return runs;
}

ProgramRun RunProgram(const ProgramStart& start, unsigned timeoutMs) {
    return RunPrograms({start}, timeoutMs)[0];
}

namespace {

DWORD WINAPI AnswerBoxesUntilStopped(LPVOID parameter) {
    auto* answerer = static_cast<BoxAnswerer*>(parameter);
    Watch watch{GetCurrentProcessId(), &answerer->run_, {}};
    while (WaitForSingleObject(answerer->stop_, 20) == WAIT_TIMEOUT)
        EnumWindows(AnswerWindow, reinterpret_cast<LPARAM>(&watch));
    return 0;
}

}  // namespace

BoxAnswerer::BoxAnswerer() {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, AnswerBoxesUntilStopped, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() { Stop(); }

std::vector<ShownBox> BoxAnswerer::Stop() {
    if (thread_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(stop_);
        thread_ = nullptr;
    }
    return run_.boxes;
}
