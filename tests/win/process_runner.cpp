#include "tests/win/process_runner.h"

#include <windows.h>

namespace {

struct Watch {
    DWORD processId;
    ProgramRun* run;
    std::vector<HWND> answered;
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

BOOL CALLBACK AnswerWindow(HWND window, LPARAM parameter) {
    Watch& watch = *reinterpret_cast<Watch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != watch.processId || !IsWindowVisible(window)) return TRUE;
    for (HWND seen : watch.answered)
        if (seen == window) return TRUE;
    const std::string className = ClassName(window);
    if (className == "#32770") {
        // A message box keeps its text in the static control with id 0xFFFF.
        char text[4096] = "";
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        watch.run->boxes.push_back({WindowText(window), text});
        watch.answered.push_back(window);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
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

ProgramRun RunProgram(const ProgramStart& start, unsigned timeoutMs) {
    ProgramRun run;
    std::string path = Environment("PATH");
    if (start.withPortLibrary) path = TestExecutableFolder() + ";" + path;
    ScopedVariable pathVariable("PATH", path);
    ScopedVariable state("QUILLON_SIM_STATE", start.simState);
    ScopedVariable log("QUILLON_SIM_LOG", start.simLog);

    std::string commandLine = "\"" + start.exePath + "\"";
    if (!start.argumentTail.empty()) commandLine += " " + start.argumentTail;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    run.started = CreateProcessA(start.exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                 nullptr,
                                 start.workingDirectory.empty() ? nullptr
                                                                : start.workingDirectory.c_str(),
                                 &startup, &process) != FALSE;
    if (!run.started) return run;

    Watch watch{process.dwProcessId, &run, {}};
    const DWORD deadline = GetTickCount() + timeoutMs;
    while (WaitForSingleObject(process.hProcess, 25) == WAIT_TIMEOUT) {
        if (GetTickCount() > deadline) break;
        EnumWindows(AnswerWindow, reinterpret_cast<LPARAM>(&watch));
    }
    run.finished = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    if (!run.finished) TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
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
