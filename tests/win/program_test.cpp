// quillon.exe started as a user or the logon starts it, against the simulated chipset.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/entry.h"
#include "sim/chipset.h"
#include "tests/win/process_runner.h"
#include "tests/win/test_files.h"

namespace {

size_t LineCount(const std::string& text) {
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeScratchFolder("program");
        start_.exePath = BuiltProgramPath();
        start_.simState = folder_ + "\\chipset.txt";
        start_.simLog = folder_ + "\\ports.log";
        start_.workingDirectory = folder_;
    }
    void TearDown() override { RemoveTree(folder_); }

    SimChipset ChipsetAfterRun() {
        SimChipset chip;
        std::string error;
        EXPECT_TRUE(chip.LoadDump(ReadWholeFile(start_.simState), &error)) << error;
        return chip;
    }

    std::string folder_;
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
    // Read all, write all, read back: nothing more.
    EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), 36u);
}

TEST_F(ProgramTest, RelativePathIsResolvedAgainstTheWorkingDirectory) {
    WriteWholeFile(folder_ + "\\slow.qln", "[AGP]\r\nAGPControllerLatency=128\r\n");
    start_.argumentTail = "slow.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ((ChipsetAfterRun().ConfigRead(0, 30, 0, 0x0C) >> 8) & 0xFF, 128u);
}

TEST_F(ProgramTest, MissingOrQuotedFileWritesTheRegistersBackUnchanged) {
    const SimChipset powerOn;
    for (const char* argument : {"absent.qln", "\"absent.qln\"", "absent.qln   "}) {
        DeleteFileA(start_.simLog.c_str());
        start_.argumentTail = argument;
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << argument;
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.boxes.empty()) << argument;
        EXPECT_FALSE(run.mainWindowOpened);
        EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), 36u) << argument;
        EXPECT_EQ(ChipsetAfterRun().Dump(), powerOn.Dump());
    }
}

TEST_F(ProgramTest, FileThatCannotBeLoadedIsReportedAndNothingIsWritten) {
    start_.argumentTail = folder_ + "\\" + std::string(300, 'x') + ".qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Quillon");
    EXPECT_EQ(run.boxes[0].text, "Unable to load register file \"" + start_.argumentTail + "\"");
    EXPECT_EQ(LineCount(ReadWholeFile(start_.simLog)), 12u);  // the read only
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

}  // namespace
