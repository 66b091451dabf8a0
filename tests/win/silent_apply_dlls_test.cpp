// What a silent apply costs the system: quillon.exe started as the logon starts it,
// under a debugger loop that notes every DLL the loader maps into it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/process_runner.h"
#include "tests/support/test_files.h"

namespace {

std::string LowerFileName(std::string path) {
    path = path.substr(path.find_last_of("\\/") + 1);
    std::transform(path.begin(), path.end(), path.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return path;
}

// The name the loader gives a DLL it has just mapped: a pointer in the child to a
// pointer to the name.
std::string LoadedDllName(HANDLE process, const LOAD_DLL_DEBUG_INFO& load) {
    void* namePointer = nullptr;
    SIZE_T read = 0;
    if (load.lpImageName == nullptr ||
        !ReadProcessMemory(process, load.lpImageName, &namePointer, sizeof namePointer, &read) ||
        namePointer == nullptr)
        return std::string();
    std::string name;
    for (size_t i = 0; i < MAX_PATH; ++i) {
        wchar_t wide = 0;
        char narrow = 0;
        const bool ok = load.fUnicode
                            ? ReadProcessMemory(process, static_cast<wchar_t*>(namePointer) + i, &wide,
                                                sizeof wide, &read)
                            : ReadProcessMemory(process, static_cast<char*>(namePointer) + i, &narrow,
                                                sizeof narrow, &read);
        const int c = load.fUnicode ? wide : narrow;
        if (!ok || c == 0) break;
        name += static_cast<char>(c < 128 ? c : '?');
    }
    return LowerFileName(name);
}

struct DebuggedRun {
    bool exited = false;
    std::vector<std::string> dlls;
};

DebuggedRun RunUnderDebugger(const std::string& exePath, const std::string& tail,
                             const std::string& folder) {
    DebuggedRun run;
    std::string commandLine = "\"" + exePath + "\" " + tail;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, folder.c_str(), &startup, &process))
        return run;
    DEBUG_EVENT event = {};
    while (!run.exited && WaitForDebugEvent(&event, 20000)) {
        DWORD answer = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                run.dlls.push_back(LoadedDllName(process.hProcess, event.u.LoadDll));
                if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                // The loader's breakpoint is ours to pass; anything else is the program's.
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                    answer = DBG_EXCEPTION_NOT_HANDLED;
                break;
            case EXIT_PROCESS_DEBUG_EVENT: run.exited = true; break;
            default: break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
    }
    if (!run.exited) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

TEST(SilentApplyDlls, ASuccessfulApplyLoadsNoPartOfTheWindowSystem) {
    const std::string folder = MakeScratchFolder("dlls");
    WriteWholeFile(folder + "\\fast.qln", "[PCI]\r\nPCILatency=64\r\n");
    // The child finds the simulated io.dll beside this test and keeps its chipset here.
    SetEnvironmentVariableA("QUILLON_SIM_STATE", (folder + "\\chipset.txt").c_str());
    char path[32768];
    const DWORD n = GetEnvironmentVariableA("PATH", path, sizeof path);
    const std::string oldPath(path, n < sizeof path ? n : 0);
    SetEnvironmentVariableA("PATH", (TestExecutableFolder() + ";" + oldPath).c_str());

    const DebuggedRun run = RunUnderDebugger(BuiltProgramPath(), "fast.qln", folder);

    SetEnvironmentVariableA("PATH", oldPath.c_str());
    SetEnvironmentVariableA("QUILLON_SIM_STATE", nullptr);
    ASSERT_TRUE(run.exited);
    const bool appliedTheFile = FileExists(folder + "\\chipset.txt");
    RemoveTree(folder);
    EXPECT_TRUE(appliedTheFile);

    auto loaded = [&](const char* dll) {
        return std::find(run.dlls.begin(), run.dlls.end(), dll) != run.dlls.end();
    };
    std::string all;
    for (const std::string& dll : run.dlls) all += dll + " ";
    EXPECT_TRUE(loaded("io.dll")) << all;
    // ADVAPI32 is wanted: the Run key tells a logon apply from any other, and the
    // machine-wide port lock carries an access list every user may wait on.
    for (const char* dll : {"user32.dll", "gdi32.dll", "comdlg32.dll", "comctl32.dll"})
        EXPECT_FALSE(loaded(dll)) << dll << " among: " << all;
}

}  // namespace
