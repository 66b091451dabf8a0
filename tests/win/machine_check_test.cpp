// quillon.exe on dumps of real machines and on port paths that do not work: it writes
// only where the register table's devices really are.
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/chipset.h"
#include "tests/support/board_corpus.h"
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
    void ExpectFileAppliedExactly(const std::string& dump);
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

// fast.qln applied on a board of the chipset: no message, the checks and the six
// registers read, written once each and read back, and only the file's fields moved.
void MachineCheckTest::ExpectFileAppliedExactly(const std::string& dump) {
    OnBoard(dump);
    DeleteFileA(log_.c_str());
    start_.argumentTail = "fast.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty()) << (run.boxes.empty() ? "" : run.boxes[0].text);
    SimChipset before;
    ASSERT_TRUE(before.LoadDump(dump, nullptr));
    const std::vector<std::string> writes = DataWrites();
    const bool agp = before.ConfigRead(0, 30, 0, 0) != 0xFFFFFFFFu, pci = before.ConfigRead(0, 8, 0, 0) != 0xFFFFFFFFu;
    const size_t registers = 3 + (agp ? 2 : 0) + (pci ? 1 : 0);
    EXPECT_EQ(LineCount(ReadWholeFile(log_)), kCheckPortCalls + 6 * registers);
    ASSERT_EQ(writes.size(), registers);
    size_t next = 0;
    for (size_t i = 0; i < 6; ++i) {
        if ((i == 3 || i == 4) && !agp) continue;
        if (i == 5 && !pci) continue;
        EXPECT_EQ(writes[next++].substr(0, 8), kSixRegisters[i]);
    }
    const SimChipset after = LoadChipsetState(state_);
    const uint32_t timing1 = before.ConfigRead(0, 0, 1, 0x90);
    EXPECT_EQ(after.ConfigRead(0, 0, 1, 0x90), (timing1 & ~(15u << 15)) | (5u << 15));
    EXPECT_EQ(after.ConfigRead(0, 0, 1, 0x84), before.ConfigRead(0, 0, 1, 0x84));
    EXPECT_EQ(after.ConfigRead(0, 0, 1, 0x94), before.ConfigRead(0, 0, 1, 0x94));
    // Only the secondary latency bytes move.
    if (agp) {
        EXPECT_EQ(after.ConfigRead(0, 30, 0, 0x18), (before.ConfigRead(0, 30, 0, 0x18) & 0x00FFFFFF) | 0x40000000);
        EXPECT_EQ(after.ConfigRead(0, 30, 0, 0x0C), before.ConfigRead(0, 30, 0, 0x0C));
    }
    if (pci) {
        EXPECT_EQ(after.ConfigRead(0, 8, 0, 0x18), (before.ConfigRead(0, 8, 0, 0x18) & 0x00FFFFFF) | 0x40000000);
    }
}

// The real boards, one of the host bridge's earlier stepping, and one with the later
// south bridge: known by number, they are the chipset's own, and the window opens on them.
TEST_F(MachineCheckTest, BoardsOfTheChipsetPassTheChecksAndGetExactlyTheSixRegisters) {
    for (const char* board : {"nforce2_asus_a7n8x", "nforce2_epox", "nforce2_asus_a7n8x_rev_a2", "nforce2_mcp2a_built"}) {
        SCOPED_TRACE(board);
        ExpectFileAppliedExactly(Board(board));
        start_.argumentTail = "";
        const ProgramRun window = RunProgram(start_);
        EXPECT_TRUE(window.mainWindowOpened);
        EXPECT_TRUE(window.boxes.empty());
    }
}

// Every board of the public listings, each on a real board's registers with its own
// numbers: the chipset's own boards take a file exactly, every other machine is refused
// with nothing written, by the silent apply and by the window.
TEST_F(MachineCheckTest, EveryListedBoardIsAcceptedOrRefusedAsItsChipsetIs) {
    const std::string base = Board("nforce2_asus_a7n8x");
    for (const ListedBoard& board : ListedBoards(TestExecutableFolder() + "\\boards", "nforce2_boards")) {
        SCOPED_TRACE(BoardLabel(board));
        ExpectFileAppliedExactly(ListedBoardDump(board, base));
    }
    for (const ListedBoard& board : ListedBoards(TestExecutableFolder() + "\\boards", "refused_boards")) {
        SCOPED_TRACE(BoardLabel(board));
        OnBoard(ListedBoardDump(board, base));
        ExpectRefusedEitherWay(kRefused, false, kCheckPortCalls);
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

// Quillon changes only bit 17 of 00:00.1+84, where a board with integrated graphics also
// keeps its graphics memory size: a file that names every field moves bit 17 alone.
TEST_F(MachineCheckTest, FileApplyChangesOnlyAutoPrechargeBesideTheGraphicsMemorySize) {
    OnBoard(IntegratedGraphicsBoard(TestExecutableFolder() + "\\boards"));
    const uint32_t booted = LoadChipsetState(state_).ConfigRead(0, 0, 1, 0x84);
    ASSERT_EQ(GraphicsMemoryMiB(booted), 32u);
    std::string file = ReadWholeFile(TestExecutableFolder() + "\\examples\\sample.qln");
    ASSERT_NE(file.find("AutoPrecharge=1"), std::string::npos);
    if ((booted >> 17 & 1) != 0) file.replace(file.find("AutoPrecharge=1"), 15, "AutoPrecharge=0");
    WriteWholeFile(folder_ + "\\every_field.qln", file);
    start_.argumentTail = "every_field.qln";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(LoadChipsetState(state_).ConfigRead(0, 0, 1, 0x84), booted ^ (1u << 17));
}

// Where Quillon cannot work with a logon apply still registered (a board it does not
// know, a port library gone or broken): after its message the empty window opens, and
// that is where the user removes the logon apply. The returned run's one box is the
// message; a removal that works says nothing.
ProgramRun RemoveLogonApplyThroughWindow(ProgramStart start) {
    SetRunValue("\"C:\\Quillon\\quillon.exe\" C:\\Quillon\\startup.qln");
    bool removeChosen = false;
    start.argumentTail = "";
    start.whileRunning = [&](unsigned long processId) {
        HWND form = FindWindowA(kMainForm.className, nullptr);
        DWORD owner = 0;
        if (!removeChosen && form != nullptr && IsWindowVisible(form) && GetWindowThreadProcessId(form, &owner) &&
            owner == processId)
            removeChosen = PostMessageA(form, WM_COMMAND, MenuCommand(FormCommand::RemoveStartupSettings), 0) != FALSE;
        return false;
    };
    const ProgramRun run = RunProgram(start);
    EXPECT_TRUE(run.finished);
    EXPECT_TRUE(run.mainWindowOpened);
    EXPECT_TRUE(removeChosen);
    EXPECT_FALSE(ReadRunValue().present);
    DeleteRunValue();
    return run;
}

TEST_F(MachineCheckTest, RefusedMachinesWindowRemovesTheLogonApply) {
    OnBoard(Board("nforce_abit_built"));
    const ProgramRun run = RemoveLogonApplyThroughWindow(start_);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text.substr(0, sizeof kRefused - 1), kRefused);
    EXPECT_EQ(LineCount(ReadWholeFile(log_)), kCheckPortCalls);
}

// A port library quarantined by a virus scanner, or one that lacks an operation Quillon
// calls: the same message as ever, and then the empty window. A file apply still ends
// after the message.
TEST_F(MachineCheckTest, PortLibraryMissingOrBrokenStillLetsTheLogonApplyBeRemoved) {
    const std::string kLoadFailed = "IO.DLL failed to load ... please retry.\n";
    ProgramStart missing = start_;
    missing.withPortLibrary = false;

    // The program beside a library without PortDWordIn, found first as the system finds it.
    ProgramStart broken = missing;
    broken.exePath = folder_ + "\\quillon.exe";
    ASSERT_TRUE(CopyFileA(BuiltProgramPath().c_str(), broken.exePath.c_str(), FALSE));
    const std::string brokenLibrary = TestExecutableFolder() + "\\..\\badlib\\io.dll";
    ASSERT_TRUE(CopyFileA(brokenLibrary.c_str(), (folder_ + "\\io.dll").c_str(), FALSE)) << brokenLibrary;

    for (const ProgramStart* start : {&missing, &broken}) {
        const bool isBroken = start == &broken;
        SCOPED_TRACE(isBroken ? "io.dll without PortDWordIn" : "no io.dll");
        const std::string before = ReadWholeFile(state_);
        const ProgramRun window = RemoveLogonApplyThroughWindow(*start);
        ASSERT_EQ(window.boxes.size(), 1u);
        EXPECT_EQ(window.boxes[0].caption, "Quillon");
        EXPECT_EQ(window.boxes[0].text.substr(0, kLoadFailed.size()), kLoadFailed);
        EXPECT_GT(window.boxes[0].text.size(), kLoadFailed.size()) << "the system's reason is missing";

        ProgramStart apply = *start;
        apply.argumentTail = "fast.qln";
        const ProgramRun run = RunProgram(apply);
        ASSERT_TRUE(run.finished);
        EXPECT_FALSE(run.mainWindowOpened);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0].text, window.boxes[0].text);
        EXPECT_EQ(ReadWholeFile(state_), before) << "the chipset changed";
        EXPECT_FALSE(FileExists(log_)) << "a port was touched";
    }
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
