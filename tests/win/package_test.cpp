// The download as a user meets it: unpacked into a fresh folder (by
// tests/unpack_package.sh) with a port library beside quillon.exe, started from there.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "sim/chipset.h"
#include "tests/win/process_runner.h"
#include "tests/support/test_files.h"

namespace {

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string build = TestExecutableFolder();
        unpacked_ = build.substr(0, build.find_last_of('\\')) + "\\package-run\\" QUILLON_PACKAGE_NAME;
        scratch_ = MakeScratchFolder("package");
        start_.exePath = unpacked_ + "\\quillon.exe";
        start_.workingDirectory = unpacked_;
        start_.withPortLibrary = false;  // only the io.dll in the unpacked folder
        start_.simState = scratch_ + "\\chipset.txt";
        start_.simLog = scratch_ + "\\ports.log";
    }
    void TearDown() override { RemoveTree(scratch_); }

    std::string unpacked_;
    std::string scratch_;
    ProgramStart start_;
};

TEST_F(PackageTest, AppliesAnExampleFileFromTheFolderItWasUnpackedIn) {
    ASSERT_TRUE(FileExists(start_.exePath)) << start_.exePath;
    start_.argumentTail = "fast.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.mainWindowOpened);
    EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;

    SimChipset chip;
    std::string error;
    ASSERT_TRUE(chip.LoadDump(ReadWholeFile(start_.simState), &error)) << error;
    EXPECT_EQ((chip.ConfigRead(0, 0, 1, 0x90) >> 15) & 15, 5u);       // Tras=5
    EXPECT_EQ((chip.ConfigRead(0, 30, 0, 0x0C) >> 8) & 0xFF, 32u);    // AGPControllerLatency=32
    EXPECT_EQ(chip.ConfigRead(0, 8, 0, 0x18) >> 24, 16u);             // PCILatency=16
}

TEST_F(PackageTest, OpensTheWindowWithoutArguments) {
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.mainWindowOpened);
    EXPECT_TRUE(run.boxes.empty());
}

}  // namespace
