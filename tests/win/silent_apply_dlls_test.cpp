// What a silent apply costs the system: quillon.exe started with a settings file, by
// hand and as the logon starts it, under a debugger loop that notes every DLL the
// loader maps into it. Each kind of run has the exact set of DLLs it may load; the
// window system is delay-loaded (toolchain/), so only the runs that call it load it.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "tests/support/run_key.h"
#include "tests/support/test_files.h"
#include "tests/win/process_runner.h"

namespace {

std::string LowerFileName(std::string path) {
    path = path.substr(path.find_last_of("\\/") + 1);
    std::transform(path.begin(), path.end(), path.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return path;
}

// The name of a DLL the loader has just mapped: the one the event points to (a pointer
// in the child to a pointer to the name), else the file the mapped image came from. The
// loader need not give the first, and gives none for the earliest DLLs.
std::string LoadedDllName(HANDLE process, const LOAD_DLL_DEBUG_INFO& load) {
    void* namePointer = nullptr;
    SIZE_T read = 0;
    std::string name;
    if (load.lpImageName != nullptr &&
        ReadProcessMemory(process, load.lpImageName, &namePointer, sizeof namePointer, &read) &&
        namePointer != nullptr) {
        for (size_t i = 0; i < MAX_PATH; ++i) {
            wchar_t wide = 0;
            char narrow = 0;
            const bool ok = load.fUnicode
                                ? ReadProcessMemory(process, static_cast<wchar_t*>(namePointer) + i,
                                                    &wide, sizeof wide, &read)
                                : ReadProcessMemory(process, static_cast<char*>(namePointer) + i,
                                                    &narrow, sizeof narrow, &read);
            const int c = load.fUnicode ? wide : narrow;
            if (!ok || c == 0) break;
            name += static_cast<char>(c < 128 ? c : '?');
        }
    }
    if (name.empty()) {
        char mapped[MAX_PATH];
        const DWORD n = GetMappedFileNameA(process, load.lpBaseOfDll, mapped, MAX_PATH);
        name.assign(mapped, n < MAX_PATH ? n : 0);
    }
    return name.empty() ? "(unnamed)" : LowerFileName(name);
}

struct DebuggedRun {
    bool exited = false;
    std::vector<std::string> dlls;
};

DebuggedRun RunUnderDebugger(const std::string& exePath, const std::string& tail,
                             const std::string& folder) {
    DebuggedRun run;
    std::string commandLine = "\"" + exePath + "\" " + tail;
    PROCESS_INFORMATION process = {};
    if (!CreateWindowsProcess(exePath, commandLine, DEBUG_ONLY_THIS_PROCESS, folder.c_str(), process)) return run;
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

// What a silent apply may load under Wine: the system's core (with the time-zone names
// Wine's KERNELBASE reads as data), the C runtime, ADVAPI32 (the Run key tells a logon
// apply from any other; the port lock carries an access list every user may wait on)
// and io.dll.
const std::set<std::string> kSilentApplyDlls = {
    "ntdll.dll", "kernel32.dll", "kernelbase.dll", "tzres.dll", "msvcrt.dll", "ucrtbase.dll",
    "advapi32.dll", "sechost.dll", "io.dll"};
// Every apply finds the machine-wide application data folder (the log, the boot's
// snapshot, a record kept there) through SHELL32, which brings the window system's
// DLLs along, as Wine's loads them; no window is made.
const std::set<std::string> kMachineFolderDlls = {
    "shell32.dll", "shlwapi.dll", "shcore.dll", "user32.dll", "win32u.dll", "gdi32.dll",
    "imm32.dll", "version.dll", "zlib1.dll"};
// A logon apply also checks the Shift keys and keeps a hidden window that hears the
// session end: the display driver and theming come with the first window.
const std::set<std::string> kLogonWindowDlls = {"winex11.drv", "uxtheme.dll"};

class SilentApplyDlls : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeScratchFolder("dlls");
        WriteWholeFile(folder_ + "\\fast.qln", "[PCI]\r\nPCILatency=64\r\n");
        // The child finds the simulated io.dll beside this test and keeps its chipset here.
        SetEnvironmentVariableA("QUILLON_SIM_STATE", (folder_ + "\\chipset.txt").c_str());
        char path[32768];
        const DWORD n = GetEnvironmentVariableA("PATH", path, sizeof path);
        oldPath_.assign(path, n < sizeof path ? n : 0);
        SetEnvironmentVariableA("PATH", (TestExecutableFolder() + ";" + oldPath_).c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("PATH", oldPath_.c_str());
        SetEnvironmentVariableA("QUILLON_SIM_STATE", nullptr);
        SetEnvironmentVariableA("QUILLON_CONFIRM_SECONDS", nullptr);
        RemoveTree(folder_);
    }

    // Every DLL the run loaded that `allowed` lacks, and every one of `needed` it did not.
    static std::string Unexpected(const DebuggedRun& run, const std::set<std::string>& allowed,
                                  const std::set<std::string>& needed) {
        const std::set<std::string> loaded(run.dlls.begin(), run.dlls.end());
        std::string faults;
        for (const std::string& dll : loaded)
            if (dll != "quillon.exe" && allowed.count(dll) == 0) faults += "loaded " + dll + "; ";
        for (const std::string& dll : needed)
            if (loaded.count(dll) == 0) faults += "did not load " + dll + "; ";
        if (faults.empty()) return faults;
        std::string all;
        for (const std::string& dll : run.dlls) all += dll + " ";
        return faults + "all: " + all;
    }

    std::string folder_, oldPath_;
};

TEST_F(SilentApplyDlls, AnApplyByHandMakesNoWindow) {
    const DebuggedRun run = RunUnderDebugger(BuiltProgramPath(), "fast.qln", folder_);
    ASSERT_TRUE(run.exited);
    EXPECT_TRUE(FileExists(folder_ + "\\chipset.txt")) << "the file was not applied";
    std::set<std::string> allowed = kSilentApplyDlls;
    allowed.insert(kMachineFolderDlls.begin(), kMachineFolderDlls.end());
    EXPECT_EQ(Unexpected(run, allowed, {"io.dll", "advapi32.dll", "shell32.dll"}), "");
}

TEST_F(SilentApplyDlls, ALogonApplyAddsOnlyTheWindowSystemItsGuardNeeds) {
    const std::string startup = folder_ + "\\startup.qln";
    WriteWholeFile(startup, "[PCI]\r\nPCILatency=64\r\n");
    SetEnvironmentVariableA("QUILLON_CONFIRM_SECONDS", "1");
    SetRunValue(BuildStartupCommand(BuiltProgramPath(), startup));
    const DebuggedRun run = RunUnderDebugger(BuiltProgramPath(), "\"" + startup + "\"", folder_);
    DeleteRunValue();
    ASSERT_TRUE(run.exited);
    EXPECT_TRUE(FileExists(folder_ + "\\chipset.txt")) << "the file was not applied";
    EXPECT_FALSE(FileExists(startup + ".pending")) << "the apply was not confirmed";
    std::set<std::string> allowed = kSilentApplyDlls;
    allowed.insert(kMachineFolderDlls.begin(), kMachineFolderDlls.end());
    allowed.insert(kLogonWindowDlls.begin(), kLogonWindowDlls.end());
    EXPECT_EQ(Unexpected(run, allowed, {"io.dll", "user32.dll"}), "");
}

}  // namespace
