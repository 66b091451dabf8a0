// The simulated chipset's files: the state every process sharing them sees, and the log
// of port calls. The simulated io.dll takes their names from QUILLON_SIM_STATE and
// QUILLON_SIM_LOG when it loads, in this process or in a program started from it.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/chipset.h"

// Sets (or, with "", clears) a variable of this process, and puts back what it was.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    bool had_;
    std::string old_;
};

// A variable's value, "" where it is not set.
std::string EnvironmentVariable(const char* name);

// Names the simulation's files while it lives.
class SimulationFiles {
public:
    SimulationFiles(const std::string& state, const std::string& log);

private:
    ScopedVariable state_;
    ScopedVariable log_;
};

// A test with a scratch folder of its own, removed afterwards, that holds the simulated
// chipset's state and port log, so that no run sees another's writes.
class SimulationTest : public ::testing::Test {
protected:
    explicit SimulationTest(const std::string& tag);
    ~SimulationTest() override;
    // Names the files to the simulated io.dll that this process loads, until ended.
    void NameFilesToThisProcess() { simulation_.emplace(state_, log_); }
    void EndNamingFiles() { simulation_.reset(); }

    const std::string folder_, state_, log_;

private:
    std::optional<SimulationFiles> simulation_;
};

// "address value" for every doubleword written to the data port, from the simulation's
// log of port calls, in order.
std::vector<std::string> DataPortWrites(const std::string& simLog);

// The chipset as a state file holds it; a file that does not load fails the test.
SimChipset LoadChipsetState(const std::string& stateFile);
// The same, but the power-on chipset where nothing was written yet.
SimChipset ChipsetStateOrPowerOn(const std::string& stateFile);

// On boards with integrated graphics, 00:00.1+84 bits 10:4 hold the graphics memory size
// in MiB less one, beside Auto Precharge (bit 17).
constexpr uint32_t kGraphicsMemoryMask = 0x7Fu << 4;
inline uint32_t GraphicsMemoryMiB(uint32_t timing0) { return ((timing0 & kGraphicsMemoryMask) >> 4) + 1; }
// The 2004 A7N8X dump (from `boardsFolder`) with 32 MiB of graphics memory, as such a
// board has it.
std::string IntegratedGraphicsBoard(const std::string& boardsFolder);
