// quillon.exe started as a user or the logon starts it, against the simulated chipset.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/entry.h"
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

TEST_F(ProgramTest, MissingPortLibraryIsReportedWithTheSystemsText) {
    start_.withPortLibrary = false;
    start_.argumentTail = "whatever.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.mainWindowOpened);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Quillon");
    const std::string reason = SystemErrorText(ERROR_MOD_NOT_FOUND);
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(run.boxes[0].text, "IO.DLL failed to load ... please retry.\n" + reason);
    EXPECT_FALSE(FileExists(start_.simLog));
}

// Another Quillon holding the configuration ports, from this process.
const char kPortLockName[] = "Global\\QuillonPciConfigPorts";

DWORD WINAPI TakePortLockAndEnd(LPVOID) {
    CreateMutexA(nullptr, TRUE, kPortLockName);  // owned, never released, handle leaked
    return 0;
}

TEST_F(ProgramTest, PortsHeldTooLongAreAClearErrorAndNothingIsWritten) {
    HANDLE lock = CreateMutexA(nullptr, TRUE, kPortLockName);
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

}  // namespace
