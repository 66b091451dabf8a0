// What a silent apply tells: the fields the chipset did not keep, the write log, and a
// file made on another machine refused.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/write_logging.h"
#include "sim/chipset.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/support/text_lines.h"
#include "tests/win/process_runner.h"

namespace {

// The simulated chipset's functions as the [Machine] section names them.
const char kThisMachine[] =
    "[Machine]\r\nHostBridge=10de:01e0 c1\r\nMemoryController=10DE:01EB C1\r\n"
    "AgpBridge=10DE:01E8 C1\r\nPciBridge=10DE:006C A3\r\n";

class ApplyReportTest : public SimulationTest {
protected:
    ApplyReportTest() : SimulationTest("report") {
        start_ = StartInFolder(folder_, state_, log_);
        DeleteFileA(WriteLogPath().c_str());
    }
    ~ApplyReportTest() override { DeleteFileA(WriteLogPath().c_str()); }

    ProgramRun Apply(const std::string& name, const std::string& text) {
        WriteWholeFile(folder_ + "\\" + name, text);
        start_.argumentTail = name;
        DeleteFileA(start_.simLog.c_str());
        return RunProgram(start_);
    }
    size_t DataWrites() const { return Occurrences(ReadWholeFile(start_.simLog), "PortDWordOut 0CFC"); }
    std::string Log() const { return ReadWholeFile(WriteLogPath()); }

    ProgramStart start_;
};

TEST_F(ApplyReportTest, FieldsTheChipsetDidNotKeepAreNamedOnce) {
    // The AGP bridge keeps the low three bits of its secondary latency at zero.
    const ProgramRun run = Apply("tight.qln", "[AGP]\r\nAGPBusLatency=255\r\n[DRAM]\r\nTras=15\r\n");
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Quillon");
    EXPECT_NE(run.boxes[0].text.find("AGP Bus Latency: asked 255, the chipset kept 248\n"), std::string::npos)
        << run.boxes[0].text;
    EXPECT_EQ(Occurrences(run.boxes[0].text, "asked"), 1u) << run.boxes[0].text;
    EXPECT_EQ(LoadChipsetState(state_).ConfigRead(0, 30, 0, 0x18) >> 24, 0xF8u);
}

TEST_F(ApplyReportTest, EveryWriteIsLoggedFromTheFirmwaresValuesOn) {
    ASSERT_TRUE(Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n").boxes.empty());
    ASSERT_TRUE(Apply("two.qln", "[PCI]\r\nPCILatency=96\r\n").boxes.empty());

    const std::vector<std::string> lines = NonBlankLines(Log());
    ASSERT_EQ(lines.size(), 2u * (1u + 6u)) << Log();
    EXPECT_NE(lines[0].find(" file " + folder_ + "\\one.qln"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[6], "  00:08.0+18 before 20020200 written 40020200 read back 40020200");
    EXPECT_NE(lines[7].find(" file " + folder_ + "\\two.qln"), std::string::npos) << lines[7];
    EXPECT_EQ(lines[13], "  00:08.0+18 before 40020200 written 60020200 read back 60020200");
    EXPECT_EQ(lines[8], "  00:00.1+84 before 00020A05 written 00020A05 read back 00020A05");
}

TEST_F(ApplyReportTest, ALogThatCannotBeWrittenNeverStopsTheApplyButIsSaid) {
    CreateDirectoryA(WriteLogPath().c_str(), nullptr);
    const ProgramRun run = Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n");
    RemoveDirectoryA(WriteLogPath().c_str());
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, "This write could not be added to Quillon's log, \"" + WriteLogPath() +
                                     "\". The registers were written all the same.");
    EXPECT_EQ(LoadChipsetState(state_).ConfigRead(0, 8, 0, 0x18) >> 24, 64u);
}

TEST_F(ApplyReportTest, TwoQuillonsAtOnceBothLogTheirWrites) {
    WriteWholeFile(folder_ + "\\one.qln", "[PCI]\r\nPCILatency=64\r\n");
    WriteWholeFile(folder_ + "\\two.qln", "[AGP]\r\nAGPBusLatency=64\r\n");
    ProgramStart second = start_;
    start_.argumentTail = "one.qln";
    second.argumentTail = "two.qln";
    for (const ProgramRun& run : RunPrograms({start_, second})) {
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.boxes.empty());
    }
    EXPECT_EQ(NonBlankLines(Log()).size(), 2u * (1u + 6u)) << Log();
    EXPECT_EQ(Occurrences(Log(), " file "), 2u) << Log();
}

TEST_F(ApplyReportTest, AFileFromAnotherMachineIsRefusedAndOneFromThisMachineApplied) {
    const ProgramRun other = Apply("other.qln",
        "[Machine]\r\nHostBridge=8086:2570 02\r\nAgpBridge=10DE:01E8 C1\r\n[PCI]\r\nPCILatency=64\r\n");
    ASSERT_TRUE(other.finished);
    ASSERT_EQ(other.boxes.size(), 1u);
    EXPECT_EQ(other.boxes[0].caption, "Quillon");
    EXPECT_NE(other.boxes[0].text.find("HostBridge: saved on 8086:2570 02; this machine has 10DE:01E0 C1\n"),
              std::string::npos) << other.boxes[0].text;
    EXPECT_EQ(other.boxes[0].text.find("AgpBridge"), std::string::npos) << "only what differs";
    EXPECT_EQ(DataWrites(), 0u);
    EXPECT_EQ(Log(), "");

    const ProgramRun here = Apply("here.qln", std::string(kThisMachine) + "[PCI]\r\nPCILatency=64\r\n");
    ASSERT_TRUE(here.finished);
    EXPECT_TRUE(here.boxes.empty());
    EXPECT_EQ(DataWrites(), 6u);
    EXPECT_EQ(LoadChipsetState(state_).ConfigRead(0, 8, 0, 0x18) >> 24, 64u);
}

}  // namespace
