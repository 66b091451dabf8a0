#include "tests/win/process_runner.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/support/window_text.h"

std::string BuiltProgramPath() {
    const std::string folder = TestExecutableFolder();
    return folder.substr(0, folder.find_last_of('\\')) + "\\bin\\quillon.exe";
}

ProgramStart StartInFolder(const std::string& folder, const std::string& simState, const std::string& simLog) {
    ProgramStart start;
    start.exePath = BuiltProgramPath();
    start.workingDirectory = folder;
    start.simState = simState;
    start.simLog = simLog;
    return start;
}

bool CreateWindowsProcess(const std::string& exePath, std::string& commandLine, DWORD flags,
                          const char* folder, PROCESS_INFORMATION& process) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr, folder,
                           &startup, &process))
            return true;
        // Wine answers ERROR_INTERNAL_ERROR when the new process ended before its first
        // thread had reported to Wine's server: Wine's own start of it failed, before any
        // of the program's code (its imports, its entry point) could run. A start that
        // failed for any other reason is the test's to report.
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
            SetLastError(error);
            return false;
        }
        std::fprintf(stderr, "note: Wine did not start %s (error %lu, before any of its code ran); starting it again\n",
                     exePath.c_str(), error);
        Sleep(100);
    }
}

namespace {

// How long an ended program may take to go away.
constexpr DWORD kEndDeadlineMs = 5000;

struct Child {
    const ProgramStart* start;
    ProgramRun run;
    PROCESS_INFORMATION process = {};
    std::unique_ptr<DialogAnswerer> boxes;
    std::vector<HWND> seen;    // main windows noted at a look
    std::vector<HWND> closed;  // main windows asked to close
    bool endedByTest = false;
};

std::string Describe(const ProgramStart& start) { return start.exePath + " " + start.argumentTail; }

void StartChild(Child& child) {
    const ProgramStart& start = *child.start;
    std::string path = EnvironmentVariable("PATH");
    if (start.withPortLibrary) path = TestExecutableFolder() + ";" + path;
    ScopedVariable pathVariable("PATH", path);
    ScopedVariable state("QUILLON_SIM_STATE", start.simState);
    ScopedVariable log("QUILLON_SIM_LOG", start.simLog);
    std::vector<std::unique_ptr<ScopedVariable>> further;
    for (const auto& [name, value] : start.environment)
        further.emplace_back(new ScopedVariable(name.c_str(), value));

    std::string commandLine = "\"" + start.exePath + "\"";
    if (!start.argumentTail.empty()) commandLine += " " + start.argumentTail;
    child.run.started = CreateWindowsProcess(start.exePath, commandLine, 0,
                                             start.workingDirectory.empty() ? nullptr : start.workingDirectory.c_str(),
                                             child.process);
    if (!child.run.started) {
        ADD_FAILURE() << "cannot start " << start.exePath << ": error " << GetLastError();
        return;
    }
    if (!start.leaveBoxesOpen)
        child.boxes.reset(new DialogAnswerer(AnswerEveryBox{start.answerYes}, Process(child.process.dwProcessId)));
}

// A visible window of the child that is neither a dialog nor the task-bar owner is its
// main window.
bool IsMainWindow(HWND window) {
    const std::string className = WindowClass(window);
    if (!IsWindowVisible(window) || className == "#32770" || className == "QuillonApplication") return false;
    RECT r;
    GetWindowRect(window, &r);
    return r.right - r.left > 0 && r.bottom - r.top > 0;
}

bool Holds(const std::vector<HWND>& windows, HWND window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

// Notes the child's main window when it first shows, and closes it as the user would at
// the next look: a window that became visible just after the test's look has been looked
// at by the test before its close is posted.
void CloseMainWindow(Child& child) {
    for (HWND window : TopLevelWindows(child.process.dwProcessId)) {
        if (!IsMainWindow(window) || Holds(child.closed, window)) continue;
        if (!Holds(child.seen, window)) {
            child.seen.push_back(window);
            child.run.mainWindowOpened = true;
            child.run.mainWindowCaption = WindowText(window);
            if (HWND application = GetWindow(window, GW_OWNER))
                child.run.mainWindowOwnerCaption = WindowText(application);
            continue;
        }
        child.closed.push_back(window);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

void EndChild(Child& child) {
    TerminateProcess(child.process.hProcess, 99);
    if (WaitForSingleObject(child.process.hProcess, kEndDeadlineMs) != WAIT_OBJECT_0)
        ADD_FAILURE() << Describe(*child.start) << " did not end " << kEndDeadlineMs << " ms after it was terminated";
}

// One look at a running child; false once it has ended, on its own or by the test.
bool WatchChild(Child& child) {
    if (WaitForSingleObject(child.process.hProcess, 0) != WAIT_TIMEOUT) return false;
    // The test's look comes first, so that what it posts to a main window arrives before
    // that window is closed.
    if (child.start->whileRunning && child.start->whileRunning(child.process.dwProcessId)) {
        child.endedByTest = true;
        EndChild(child);
        return false;
    }
    CloseMainWindow(child);
    return true;
}

void FinishChild(Child& child, unsigned timeoutMs) {
    const bool stillRunning = WaitForSingleObject(child.process.hProcess, 0) == WAIT_TIMEOUT;
    child.run.finished = !stillRunning && !child.endedByTest;
    if (stillRunning) {
        ADD_FAILURE() << Describe(*child.start) << " was still running after " << timeoutMs
                      << " ms: ended by the test";
        EndChild(child);
    }
    if (child.boxes) child.run.boxes = child.boxes->Stop();
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
        if (child.run.started) FinishChild(child, timeoutMs);
        runs.push_back(child.run);
    }
    return runs;
}

ProgramRun RunProgram(const ProgramStart& start, unsigned timeoutMs) {
    return RunPrograms({start}, timeoutMs)[0];
}
