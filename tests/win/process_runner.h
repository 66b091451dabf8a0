// Starts quillon.exe as a user would and watches what it shows: message boxes are
// read and answered (OK, or Yes or No for a question), a main window is noted and
// closed.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/dialogs.h"

// The port calls every run makes before its first register access: the port-path
// check (4) and the thirteen identity reads (26).
constexpr size_t kCheckPortCalls = 4 + 26;

struct ProgramRun {
    bool started = false;
    bool finished = false;  // ended on its own before the time limit
    unsigned long exitCode = 0;
    bool mainWindowOpened = false;
    std::string mainWindowCaption;
    std::string mainWindowOwnerCaption;  // the application window carrying the task-bar button
    std::vector<DialogSeen> boxes;
};

struct ProgramStart {
    std::string exePath;
    std::string argumentTail;      // appended after the quoted program path and one blank
    std::string workingDirectory;  // empty: this process's
    bool withPortLibrary = true;   // whether the simulated io.dll is on the search path
    std::string simState;          // QUILLON_SIM_STATE for the child
    std::string simLog;            // QUILLON_SIM_LOG for the child
    std::vector<std::pair<std::string, std::string>> environment;  // further variables
    bool answerYes = false;        // the answer to a Yes/No question
    bool leaveBoxesOpen = false;   // no box answered (nor noted): the test looks at them itself
    // Called about every 25 ms with the child's process id while it runs, before its
    // main window is closed; true ends the child at once, as a hang or a power loss would.
    std::function<bool(unsigned long processId)> whileRunning;
};

// CreateProcessA with the caller's flags and folder (nullptr: this process's), which
// starts the program again where Wine itself failed to start it. False with the error
// in GetLastError() when it cannot be started.
bool CreateWindowsProcess(const std::string& exePath, std::string& commandLine, DWORD flags,
                          const char* folder, PROCESS_INFORMATION& process);

// The product as built: ..\bin\quillon.exe from the test folder.
std::string BuiltProgramPath();
// The built program, started in the folder with the simulation's files given.
ProgramStart StartInFolder(const std::string& folder, const std::string& simState, const std::string& simLog);

// A program still running at the time limit is ended and fails the test.
ProgramRun RunProgram(const ProgramStart& start, unsigned timeoutMs = 20000);
// Starts every program before watching any of them, so that they run side by side.
std::vector<ProgramRun> RunPrograms(const std::vector<ProgramStart>& starts,
                                    unsigned timeoutMs = 20000);
