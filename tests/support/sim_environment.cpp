#include "tests/support/sim_environment.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>

#include "tests/support/board_dumps.h"
#include "tests/support/test_files.h"

std::string EnvironmentVariable(const char* name) {
    char value[32768];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

ScopedVariable::ScopedVariable(const char* name, const std::string& value)
    : name_(name), had_(GetEnvironmentVariableA(name, nullptr, 0) > 0), old_(EnvironmentVariable(name)) {
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

ScopedVariable::~ScopedVariable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

SimulationFiles::SimulationFiles(const std::string& state, const std::string& log)
    : state_("QUILLON_SIM_STATE", state), log_("QUILLON_SIM_LOG", log) {}

SimulationTest::SimulationTest(const std::string& tag)
    : folder_(MakeScratchFolder(tag)), state_(folder_ + "\\chipset.txt"), log_(folder_ + "\\ports.log") {}

SimulationTest::~SimulationTest() {
    EndNamingFiles();
    RemoveTree(folder_);
}

SimChipset LoadChipsetState(const std::string& stateFile) {
    SimChipset chip;
    std::string error;
    EXPECT_TRUE(chip.LoadDump(ReadWholeFile(stateFile), &error))
        << "the simulation's state " << stateFile << " does not load: " << error;
    return chip;
}

SimChipset ChipsetStateOrPowerOn(const std::string& stateFile) {
    return FileExists(stateFile) ? LoadChipsetState(stateFile) : SimChipset();
}

std::vector<std::string> DataPortWrites(const std::string& simLog) {
    std::vector<std::string> writes;
    std::istringstream log(ReadWholeFile(simLog));
    std::string address;
    for (std::string call, port, value; log >> call >> port >> value;) {
        if (call == "PortDWordOut" && port == "0CF8") address = value;
        if (call == "PortDWordOut" && port == "0CFC") writes.push_back(address + " " + value);
    }
    return writes;
}

std::string IntegratedGraphicsBoard(const std::string& boardsFolder) {
    const std::string dump = BoardDump(boardsFolder, "nforce2_asus_a7n8x");
    SimChipset board;
    EXPECT_TRUE(board.LoadDump(dump, nullptr));
    const uint32_t timing0 = board.ConfigRead(0, 0, 1, 0x84);
    return WithBytes(dump, "00:00.1", 0x84, (timing0 & ~kGraphicsMemoryMask) | (31u << 4));
}
