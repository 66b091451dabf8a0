// quillon.exe started as a user or the logon starts it, against the simulated chipset.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/missing_function.h"
#include "hw/machine_access.h"
#include "hw/port_lock.h"
#include "hw/program_error.h"
#include "hw/windows_family.h"
#include "sim/chipset.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/support/text_lines.h"
#include "tests/win/process_runner.h"

namespace {

class ProgramTest : public SimulationTest {
protected:
    ProgramTest() : SimulationTest("program") { start_ = StartInFolder(folder_, state_, log_); }

    SimChipset ChipsetAfterRun() { return LoadChipsetState(start_.simState); }

    ProgramStart start_;
};

TEST_F(ProgramTest, AppliesAFileWithAnInnerBlankSilently) {
    const std::string tuning = folder_ + "\\Tuning Files";
    CreateDirectoryA(tuning.c_str(), nullptr);
    WriteWholeFile(tuning + "\\fast.qln", "[PCI]\r\nPCILatency=64\r\n[DRAM]\r\nTras=5\r\n");
    start_.argumentTail = tuning + "\\fast.qln";

    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.mainWindowOpened);
    EXPECT_TRUE(run.boxes.empty());
    SimChipset chip = ChipsetAfterRun();
    EXPECT_EQ(chip.ConfigRead(0, 8, 0, 0x18) >> 24, 64u);
    EXPECT_EQ((chip.ConfigRead(0, 0, 1, 0x90) >> 15) & 15, 5u);
    // The checks, then read all, write all, read back: nothing more.
    EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), kCheckPortCalls + 36);
}

TEST_F(ProgramTest, RelativePathIsResolvedAgainstTheWorkingDirectory) {
    WriteWholeFile(folder_ + "\\slow.qln", "[AGP]\r\nAGPControllerLatency=128\r\n");
    start_.argumentTail = "slow.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ((ChipsetAfterRun().ConfigRead(0, 30, 0, 0x0C) >> 8) & 0xFF, 128u);
}

TEST_F(ProgramTest, QuotedPathAsShortcutsPassItIsApplied) {
    const std::string tuning = folder_ + "\\My Tunings";
    CreateDirectoryA(tuning.c_str(), nullptr);
    WriteWholeFile(tuning + "\\fast.qln", "[PCI]\r\nPCILatency=96\r\n");
    for (const std::string& argument : {"\"" + tuning + "\\fast.qln\"", "\"" + tuning + "\\fast.qln\"  "}) {
        DeleteFileA(start_.simState.c_str());
        start_.argumentTail = argument;
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << argument;
        EXPECT_TRUE(run.boxes.empty()) << argument;
        EXPECT_EQ(ChipsetAfterRun().ConfigRead(0, 8, 0, 0x18) >> 24, 96u) << argument;
    }
}

// A mistyped name, a quoted one, or a folder: the load fails, the user is told, and
// the registers are read but never written.
TEST_F(ProgramTest, PathNamingNoFileIsAFailedLoadAndNothingIsWritten) {
    CreateDirectoryA((folder_ + "\\tunings").c_str(), nullptr);
    const std::pair<const char*, const char*> cases[] = {
        {"absent.qln", "absent.qln"},
        {"\"absent.qln\"", "absent.qln"},
        {"absent.qln   ", "absent.qln"},
        {"tunings", "tunings"},
        {"\"\"", ""},
    };
    for (const auto& [argument, shown] : cases) {
        DeleteFileA(start_.simLog.c_str());
        start_.argumentTail = argument;
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << argument;
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(run.mainWindowOpened);
        ASSERT_EQ(run.boxes.size(), 1u) << argument;
        EXPECT_EQ(run.boxes[0].caption, "Quillon");
        EXPECT_EQ(run.boxes[0].text, std::string("Unable to load register file \"") + shown + "\"");
        EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), kCheckPortCalls + 12) << argument;
        EXPECT_FALSE(FileExists(start_.simState)) << "a register was written";
    }
}

TEST_F(ProgramTest, ExistingFileNamingNoFieldIsAnEmptySetOfChanges) {
    WriteWholeFile(folder_ + "\\notes.qln", "[Notes]\r\nWritten=by hand\r\n");
    start_.argumentTail = "notes.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), kCheckPortCalls + 36);
    EXPECT_EQ(ChipsetAfterRun().Dump(), SimChipset().Dump());
}

TEST_F(ProgramTest, FileThatCannotBeLoadedIsReportedAndNothingIsWritten) {
    start_.argumentTail = folder_ + "\\" + std::string(300, 'x') + ".qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Quillon");
    EXPECT_EQ(run.boxes[0].text, "Unable to load register file \"" + start_.argumentTail + "\"");
    EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), kCheckPortCalls + 12);  // the read only
}

TEST_F(ProgramTest, NoArgumentOrBlanksOpenTheWindow) {
    for (const char* argument : {"", "   ", " \t "}) {
        start_.argumentTail = argument;
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << '"' << argument << '"';
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.mainWindowOpened);
        EXPECT_EQ(run.mainWindowCaption, "Quillon V0.25b");
        EXPECT_EQ(run.mainWindowOwnerCaption, "Quillon");
        EXPECT_TRUE(run.boxes.empty());
    }
}

// The runs in a prefix that reports Windows 98 must take the 9x branches, or they test
// the NT family's twice.
TEST(WindowsFamily, IsTheOneTheTestRunReports) {
    const char* reported = std::getenv("QUILLON_TEST_WINDOWS");
    const bool windows98 = reported != nullptr && std::string(reported) == "win98";
    EXPECT_EQ(OnWindows9x(), windows98);
    EXPECT_EQ(MachineWideObjectName("Quillon"), windows98 ? "Quillon" : "Global\\Quillon");
    CreationAccess access(kMachineObjectAccess);
    EXPECT_EQ(access.get() == nullptr, windows98);
}

// An older Windows than the program was checked for: the function or DLL it lacks is
// named in one message and the run ends with exit code 1, instead of an exception
// nothing catches.
TEST_F(ProgramTest, DelayLoadedFunctionThisWindowsLacksIsNamedAndEndsTheRun) {
    const std::string program = BuiltProgramPath();
    start_.exePath = program.substr(0, program.find_last_of('\\')) + "\\..\\checks\\lacks_a_function.exe";
    for (const char* lack : {"function", "library"}) {
        start_.argumentTail = lack;
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << lack;
        EXPECT_EQ(run.exitCode, 1u) << lack;
        ASSERT_EQ(run.boxes.size(), 1u) << lack;
        EXPECT_EQ(run.boxes[0].caption, "Quillon");
        EXPECT_EQ(run.boxes[0].text,
                  std::string(lack) == "function"
                      ? MissingFunctionText("QuillonAbsentFunction", "comdlg32.dll", false)
                      : MissingFunctionText("QuillonFunctionOfAnAbsentLibrary", "quillon_absent.dll", true));
    }
}

TEST_F(ProgramTest, MissingPortLibraryIsReportedWithTheSystemsText) {
    start_.withPortLibrary = false;
    start_.argumentTail = "whatever.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.mainWindowOpened);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Quillon");
    // Whatever error this Windows gives for a DLL that is not there (9x has its own).
    ASSERT_EQ(LoadLibraryA("quillon-no-such-library.dll"), nullptr);
    const std::string reason = SystemErrorText(GetLastError());
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(run.boxes[0].text, "IO.DLL failed to load ... please retry.\n" + reason);
    EXPECT_FALSE(FileExists(start_.simLog));
}

// Another Quillon holding the configuration ports, from this process.
const std::string kPortLockName = MachineWideObjectName("QuillonPciConfigPorts");

DWORD WINAPI TakePortLockAndEnd(LPVOID) {
    CreateMutexA(nullptr, TRUE, kPortLockName.c_str());  // owned, never released, handle leaked
    return 0;
}

TEST_F(ProgramTest, PortsHeldTooLongAreAClearErrorAndNothingIsWritten) {
    HANDLE lock = CreateMutexA(nullptr, TRUE, kPortLockName.c_str());
    ASSERT_NE(lock, nullptr);
    WriteWholeFile(folder_ + "\\fast.qln", "[PCI]\r\nPCILatency=64\r\n");
    const std::string busy =
        "The chipset registers stayed busy for 5 seconds: another Quillon is using them. "
        "Nothing was read or written.";
    for (const char* argument : {"fast.qln", ""}) {  // the silent apply, the window
        start_.argumentTail = argument;
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << argument;
        EXPECT_FALSE(run.mainWindowOpened);
        ASSERT_EQ(run.boxes.size(), 1u) << argument;
        EXPECT_EQ(run.boxes[0].caption, "Quillon");
        EXPECT_EQ(run.boxes[0].text, busy);
        EXPECT_TRUE(run.boxes[0].hasIcon);
        EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), 0u) << argument;
    }
    ReleaseMutex(lock);
    CloseHandle(lock);
}

TEST_F(ProgramTest, PortLockOfAQuillonThatEndedHoldingItIsTakenOver) {
    HANDLE thread = CreateThread(nullptr, 0, TakePortLockAndEnd, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    WriteWholeFile(folder_ + "\\fast.qln", "[PCI]\r\nPCILatency=64\r\n");
    start_.argumentTail = "fast.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(ChipsetAfterRun().ConfigRead(0, 8, 0, 0x18) >> 24, 64u);
}

// A Set of another Quillon arriving while an apply runs: the apply reads all registers,
// loads a file naming only the PCI latency and writes all back, so a Set landing between
// its read and its write would be undone. The calls are slowed so that the second
// program starts while the first is reading.
TEST_F(ProgramTest, AnotherQuillonCannotComeBetweenAnApplysReadAndWrite) {
    WriteWholeFile(folder_ + "\\pci.qln", "[PCI]\r\nPCILatency=64\r\n");
    WriteWholeFile(folder_ + "\\tras.qln", "[DRAM]\r\nTras=5\r\n");
    start_.argumentTail = "pci.qln";
    start_.environment = {{"QUILLON_SIM_DELAY_MS", "20"}};
    ProgramStart other = start_;
    other.argumentTail = "tras.qln";
    other.simLog = folder_ + "\\other.log";
    std::optional<ProgramRun> otherRun;
    size_t firstCallsWhenOtherStarted = 0;
    start_.whileRunning = [&](unsigned long) {
        const size_t calls = LineCount(ReadWholeFile(start_.simLog));
        if (!otherRun && calls >= 2) {
            firstCallsWhenOtherStarted = calls;
            otherRun = RunProgram(other);
        }
        return false;
    };
    const ProgramRun first = RunProgram(start_);
    ASSERT_TRUE(first.finished);
    ASSERT_TRUE(otherRun && otherRun->finished);
    EXPECT_TRUE(first.boxes.empty());
    EXPECT_TRUE(otherRun->boxes.empty());
    EXPECT_LT(firstCallsWhenOtherStarted, 12u) << "the other started after the first's read";
    const SimChipset chip = ChipsetAfterRun();
    EXPECT_EQ(chip.ConfigRead(0, 8, 0, 0x18) >> 24, 64u);
    EXPECT_EQ((chip.ConfigRead(0, 0, 1, 0x90) >> 15) & 15, 5u) << "the other's write was undone";
}

// The process's handle whose object's name ends in the port lock's (ObjectNameInformation).
HANDLE PortLockHandle() {
    using QueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    if (query == nullptr) return nullptr;
    HANDLE lock = nullptr;
    for (ULONG_PTR value = 4; value < 0x4000 && lock == nullptr; value += 4) {
        const HANDLE candidate = reinterpret_cast<HANDLE>(value);
        alignas(8) wchar_t buffer[512] = {};
        ULONG size = 0;
        if (query(candidate, 1, buffer, sizeof buffer, &size) != 0) continue;
        const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer);
        const std::wstring text(name->Buffer != nullptr ? name->Buffer : L"", name->Length / 2);
        if (text.size() >= 21 && text.compare(text.size() - 21, 21, L"QuillonPciConfigPorts") == 0)
            lock = candidate;
    }
    return lock;
}

// The lock's handle closed behind its back: the wait fails rather than times out, and
// says so instead of blaming another Quillon; the next attempt makes the lock anew.
TEST(PortLockTest, FailedWaitIsNoBusyLockAndIsMadeGoodNextTime) {
    LockConfigPorts();
    UnlockConfigPorts();
    HANDLE lock = PortLockHandle();
    ASSERT_NE(lock, nullptr) << "the lock's handle was not found";
    CloseHandle(lock);
    try {
        LockConfigPorts();
        UnlockConfigPorts();
        ADD_FAILURE() << "the wait on a closed handle succeeded";
    } catch (const ProgramError& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.find("busy"), std::string::npos) << text;
        EXPECT_EQ(text, "Windows could not wait for the lock that keeps two Quillons from mixing "
                        "their register accesses (system error " +
                            std::to_string(ERROR_INVALID_HANDLE) +
                            "). Nothing was read or written.");
    }
    EXPECT_NO_THROW(LockConfigPorts());
    UnlockConfigPorts();
}

// A handle the wait refuses (one without the right to wait on it) is given up with
// the failed wait, not kept for the rest of the run.
TEST(PortLockTest, HandleOfAFailedWaitIsClosed) {
    LockConfigPorts();
    UnlockConfigPorts();
    HANDLE lock = PortLockHandle();
    ASSERT_NE(lock, nullptr) << "the lock's handle was not found";
    const HANDLE keepsTheLock = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\QuillonPciConfigPorts");
    CloseHandle(lock);
    // The freed value is handed out again, once lower free ones are taken: now to a
    // handle that may not be waited on.
    std::vector<HANDLE> lower;
    HANDLE unwaitable = nullptr;
    while (lower.size() < 256 && unwaitable != lock) {
        if (unwaitable != nullptr) lower.push_back(unwaitable);
        unwaitable = OpenMutexA(MUTEX_MODIFY_STATE, FALSE, "Global\\QuillonPciConfigPorts");
        if (unwaitable == nullptr) break;
    }
    for (HANDLE handle : lower) CloseHandle(handle);
    if (unwaitable != lock) {
        if (unwaitable != nullptr) CloseHandle(unwaitable);
        CloseHandle(keepsTheLock);
        GTEST_SKIP() << "the system did not hand the freed handle value out again";
    }
    EXPECT_THROW(LockConfigPorts(), ProgramError);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(unwaitable, &flags)) << "the handle of the failed wait stays open";
    if (GetHandleInformation(unwaitable, &flags)) CloseHandle(unwaitable);
    EXPECT_NO_THROW(LockConfigPorts());
    UnlockConfigPorts();
    CloseHandle(keepsTheLock);
}

}  // namespace
