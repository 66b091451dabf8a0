// Two Quillons applying different files at the same moment, on one simulated chipset
// that every process shares as they share the hardware, with its calls slowed so that
// the two meet. The simulation marks a data access made while the latch was last set
// by the other process.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hw/pci_registers.h"
#include "model/settings.h"
#include "sim/chipset.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/support/text_lines.h"
#include "tests/win/process_runner.h"

namespace {

constexpr int kRounds = 8;

// What each register holds after the file is applied alone to the power-on chipset.
std::vector<uint32_t> ValuesAfterApplying(const std::string& file) {
    SimChipset chip;
    for (PciRegister& reg : RegisterTable)
        reg.Value = chip.ConfigRead(reg.Bus, reg.Device, reg.Function, reg.Offset);
    EXPECT_TRUE(LoadSettings(file.c_str()));
    std::vector<uint32_t> values;
    for (const PciRegister& reg : RegisterTable) {
        chip.Out(kConfigAddressPort, ConfigAddress(reg), 4);
        chip.Out(kConfigDataPort, reg.Value, 4);
        values.push_back(chip.ConfigRead(reg.Bus, reg.Device, reg.Function, reg.Offset));
    }
    return values;
}

struct Outcome {
    size_t portCalls = 0;
    size_t foreignLatch = 0;    // data accesses that found the other program's address
    size_t misplacedValues = 0; // registers holding what neither program meant for them
    size_t unfinished = 0;      // did not end on their own
    // Said something: without the lock the machine checks can read the other program's
    // latch and refuse the machine, and a write can find its values not kept.
    size_t messages = 0;
};

class ConcurrentApplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeScratchFolder("shared");
        const std::string examples = TestExecutableFolder() + "\\examples\\";
        // Both files name every field, with different values throughout.
        files_ = {examples + "sample.qln", examples + "fast.qln"};
        for (const std::string& file : files_) expected_.push_back(ValuesAfterApplying(file));
    }
    void TearDown() override { RemoveTree(folder_); }

    Outcome ApplyTogether(const std::string& program) {
        Outcome outcome;
        std::vector<ProgramStart> starts(2);
        for (size_t i = 0; i < starts.size(); ++i) {
            starts[i].exePath = program;
            starts[i].argumentTail = files_[i];
            starts[i].workingDirectory = folder_;
            starts[i].simState = folder_ + "\\chipset.txt";
            starts[i].simLog = folder_ + "\\ports" + std::to_string(i) + ".log";
            starts[i].environment = {{"QUILLON_SIM_DELAY_MS", "3"}};
        }
        for (int round = 0; round < kRounds; ++round) {
            for (const ProgramStart& start : starts) DeleteFileA(start.simLog.c_str());
            for (const ProgramRun& run : RunPrograms(starts, 60000)) {
                outcome.unfinished += !run.finished;
                outcome.messages += run.boxes.size();
            }
            for (const ProgramStart& start : starts) {
                const std::string log = ReadWholeFile(start.simLog);
                outcome.portCalls += LineCount(log);
                outcome.foreignLatch += Occurrences(log, "latch set by another process");
            }
            outcome.misplacedValues += MisplacedValues(starts[0].simState);
        }
        return outcome;
    }

    size_t MisplacedValues(const std::string& state) const {
        const SimChipset chip = ChipsetStateOrPowerOn(state);  // both refused: nothing written
        size_t misplaced = 0;
        for (size_t r = 0; r < kRegisterCount; ++r) {
            const PciRegister& reg = RegisterTable[r];
            const uint32_t value = chip.ConfigRead(reg.Bus, reg.Device, reg.Function, reg.Offset);
            misplaced += value != expected_[0][r] && value != expected_[1][r];
        }
        return misplaced;
    }

    std::string folder_;
    std::vector<std::string> files_;
    std::vector<std::vector<uint32_t>> expected_;
};

TEST_F(ConcurrentApplyTest, HeldPortsKeepEveryAccessOnItsOwnLatch) {
    const Outcome outcome = ApplyTogether(BuiltProgramPath());
    EXPECT_EQ(outcome.unfinished, 0u);
    EXPECT_EQ(outcome.messages, 0u);
    EXPECT_EQ(outcome.portCalls, kRounds * 2 * (kCheckPortCalls + 36));
    EXPECT_EQ(outcome.foreignLatch, 0u);
    EXPECT_EQ(outcome.misplacedValues, 0u);
}

// The same programs without the lock (a test build): accesses meet the other's latch.
TEST_F(ConcurrentApplyTest, WithoutTheLockAccessesFindTheOthersLatch) {
    const Outcome outcome = ApplyTogether(TestExecutableFolder() + "\\quillon_unlocked.exe");
    std::printf("without the lock: %zu of %zu port calls found the other's latch; %zu register "
                "values misplaced over %d rounds; %zu messages (refused machines, values not "
                "kept)\n",
                outcome.foreignLatch, outcome.portCalls, outcome.misplacedValues, kRounds,
                outcome.messages);
    EXPECT_EQ(outcome.unfinished, 0u);
    EXPECT_GT(outcome.foreignLatch, 0u);
}

}  // namespace
