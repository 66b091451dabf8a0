// quillon.exe on dumps of real machines and on port paths that do not work: it writes
// only where the register table's devices really are.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/chipset.h"
#include "tests/support/board_dumps.h"
#include "tests/support/run_key.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/support/text_lines.h"
#include "tests/win/process_runner.h"
#include "ui/form_builder.h"

namespace {

const char kRefused[] = "This machine's chipset is not the one Quillon tunes:";
const char kNoDriver[] = "The port driver of io.dll is not running, so Quillon cannot reach the chipset.\n"
                         "Start Quillon as administrator, or install io.dll's driver. Nothing was written.";
const char kDeadPort[] = "The PCI configuration ports do not answer: a value written to the address port 0xCF8 "
                         "did not read back. The port driver of io.dll is probably not running.\n"
                         "Start Quillon as administrator, or install io.dll's driver. Nothing was written.";

class MachineCheckTest : public SimulationTest {
protected:
    MachineCheckTest() : SimulationTest("machine") {
        start_ = StartInFolder(folder_, state_, log_);
        WriteWholeFile(folder_ + "\\fast.qln",
                       "[DRAM]\r\nTras=5\r\n[AGP]\r\nAGPBusLatency=64\r\n[PCI]\r\nPCILatency=64\r\n");
    }

    void OnBoard(const std::string& dump) { WriteWholeFile(state_, dump); }
    static std::string Board(const char* name) { return BoardDump(TestExecutableFolder() + "\\boards", name); }

    // "address value" of every doubleword written to the data port.
    std::vector<std::string> DataWrites() const { return DataPortWrites(log_); }

    // Both ways a user starts Quillon: the silent apply, which ends after the message,
    // then the window, which opens after it with nothing behind it.
    void ExpectRefusedEitherWay(const std::string& message, bool whole, size_t portCalls) {
        const std::string before = ReadWholeFile(state_);
        for (const char* argument : {"fast.qln", ""}) {
            DeleteFileA(log_.c_str());
            start_.argumentTail = argument;
            const ProgramRun run = RunProgram(start_);
            ASSERT_TRUE(run.finished) << argument;
            EXPECT_EQ(run.mainWindowOpened, *argument == '\0') << argument;
            ASSERT_EQ(run.boxes.size(), 1u) << argument;
            EXPECT_EQ(run.boxes[0].caption, "Quillon");
            if (whole)
                EXPECT_EQ(run.boxes[0].text, message) << argument;
            else
                EXPECT_EQ(run.boxes[0].text.substr(0, message.size()), message) << run.boxes[0].text;
            EXPECT_EQ(LineCount(ReadWholeFile(log_)), portCalls) << argument;
            EXPECT_TRUE(DataWrites().empty()) << argument;
            EXPECT_EQ(ReadWholeFile(state_), before) << "the chipset changed";
        }
    }

    ProgramStart start_;
};

const char* const kSixRegisters[] = {"80000184", "80000190", "80000194", "8000F00C", "8000F018", "80004018"};

// The real boards, one of the host bridge's earlier stepping, and one with the later
// south bridge: known by number, they are the chipset's own.
TEST_F(MachineCheckTest, BoardsOfTheChipsetPassTheChecksAndGetExactlyTheSixRegisters) {
    for (const char* board : {"nforce2_asus_a7n8x", "nforce2_epox", "nforce2_asus_a7n8x_rev_a2", "nforce2_mcp2a_built"}) {
        OnBoard(Board(board));
        DeleteFileA(log_.c_str());
        start_.argumentTail = "fast.qln";
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << board;
        EXPECT_TRUE(run.boxes.empty()) << board << ": " << (run.boxes.empty() ? "" : run.boxes[0].text);
        EXPECT_EQ(LineCount(ReadWholeFile(log_)), kCheckPortCalls + 36) << board;
        const std::vector<std::string> writes = DataWrites();
        ASSERT_EQ(writes.size(), 6u) << board;
        for (size_t i = 0; i < 6; ++i) EXPECT_EQ(writes[i].substr(0, 8), kSixRegisters[i]) << board;

        SimChipset before;
        ASSERT_TRUE(before.LoadDump(Board(board), nullptr));
        const SimChipset after = LoadChipsetState(state_);
        EXPECT_EQ((after.ConfigRead(0, 0, 1, 0x90) >> 15) & 15, 5u) << board;
        EXPECT_EQ(after.ConfigRead(0, 30, 0, 0x18), (before.ConfigRead(0, 30, 0, 0x18) & 0x00FFFFFF) | 0x40000000)
            << board;  // only the secondary latency byte moved
        EXPECT_EQ(after.ConfigRead(0, 8, 0, 0x18) >> 24, 64u) << board;
        EXPECT_EQ(after.ConfigRead(0, 0, 1, 0x84), before.ConfigRead(0, 0, 1, 0x84)) << board;

        start_.argumentTail = "";  // and the window opens on it
        const ProgramRun window = RunProgram(start_);
        EXPECT_TRUE(window.mainWindowOpened) << board;
        EXPECT_TRUE(window.boxes.empty()) << board;
    }
}

TEST_F(MachineCheckTest, OtherChipsetsAreRefusedAndNothingIsWritten) {
    for (const char* board : {"amd_ryzen_x370", "amd_ryzen_500_series", "nforce_abit_built"}) {
        SCOPED_TRACE(board);
        OnBoard(Board(board));
        ExpectRefusedEitherWay(kRefused, false, kCheckPortCalls);
    }
}

// The menu item's command, as the window's menu bar numbers it.
WPARAM MenuCommand(FormCommand command) {
    for (size_t i = 0; i < kMainMenu[0].itemCount; ++i)
        if (kMainMenu[0].items[i].command == command) return MAKEWPARAM(MenuItemIdAt(0, i), 0);
    return 0;
}

// A board replaced by one Quillon does not know, with the logon apply still registered:
// the empty window is where the user removes it.
TEST_F(MachineCheckTest, RefusedMachinesWindowRemovesTheLogonApply) {
    OnBoard(Board("nforce_abit_built"));
    SetRunValue("\"C:\\Quillon\\quillon.exe\" C:\\Quillon\\startup.qln");
    bool removeChosen = false;
    start_.whileRunning = [&](unsigned long processId) {
        HWND form = FindWindowA(kMainForm.className, nullptr);
        DWORD owner = 0;
        if (!removeChosen && form != nullptr && IsWindowVisible(form) && GetWindowThreadProcessId(form, &owner) &&
            owner == processId)
            removeChosen = PostMessageA(form, WM_COMMAND, MenuCommand(FormCommand::RemoveStartupSettings), 0) != FALSE;
        return false;
    };
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.mainWindowOpened);
    ASSERT_EQ(run.boxes.size(), 1u);  // the refusal; a removal that works says nothing
    EXPECT_EQ(run.boxes[0].text.substr(0, sizeof kRefused - 1), kRefused);
    EXPECT_TRUE(removeChosen);
    EXPECT_FALSE(ReadRunValue().present);
    EXPECT_EQ(LineCount(ReadWholeFile(log_)), kCheckPortCalls);
    DeleteRunValue();
}

TEST_F(MachineCheckTest, AbsentAgpBridgeIsLeftAloneAndTheRestIsApplied) {
    OnBoard(WithoutFunction(Board("nforce2_epox"), "00:1e.0"));
    start_.argumentTail = "fast.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    // Four registers read, written and read back; the bridge only named by the checks.
    EXPECT_EQ(LineCount(ReadWholeFile(log_)), kCheckPortCalls + 24);
    const std::vector<std::string> writes = DataWrites();
    ASSERT_EQ(writes.size(), 4u);
    for (const std::string& write : writes) EXPECT_NE(write.substr(0, 6), "8000F0") << write;
    const SimChipset after = LoadChipsetState(state_);
    EXPECT_EQ(after.ConfigRead(0, 8, 0, 0x18) >> 24, 64u);
    EXPECT_EQ(after.ConfigRead(0, 30, 0, 0x18), 0xFFFFFFFFu);
}

TEST_F(MachineCheckTest, PortDriverNotRunningIsSaidAndNothingIsTouched) {
    start_.environment = {{"QUILLON_SIM_NO_DRIVER", "1"}};
    ExpectRefusedEitherWay(kNoDriver, true, 0);
}

TEST_F(MachineCheckTest, AddressPortThatDoesNotReadBackIsSaidAndNothingIsWritten) {
    start_.environment = {{"QUILLON_SIM_DEAD_ADDRESS_PORT", "1"}};
    ExpectRefusedEitherWay(kDeadPort, true, 4);
}

}  // namespace
