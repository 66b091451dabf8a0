// What the DRAM timings mean at the clock the memory runs at: the clocks told from the
// chipset's registers, each timing in nanoseconds, and the warnings of timings that
// cannot work. Nothing here touches the hardware; the window hands in what it read
// (hw/clock_registers.h) and the field catalogue holds the counts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "hw/clock_registers.h"
#include "model/field_catalogue.h"

enum class FsbSource { Unknown, Pll, Boot };

// Clocks in kHz; 0 where a figure cannot be told.
struct ClockFigures {
    uint32_t fsbKHz = 0;
    FsbSource fsbSource = FsbSource::Unknown;
    // The memory clock shown: FSB x N / M where both are known (it follows the FSB as it
    // is now), else the one the firmware set at boot.
    uint32_t memoryKHz = 0;
    bool memoryLive = false;
    uint32_t bootMemoryKHz = 0;
    // memory:FSB = ratioN:ratioM; 0 where the memory PLL is unknown.
    uint32_t ratioN = 0;
    uint32_t ratioM = 0;
    // The live clock is more than 1% off the boot one: the FSB was changed since boot.
    bool changedSinceBoot = false;
    // The CAS latency in half clocks (4, 5, 6 for CL 2, 2.5, 3); 0 unknown.
    uint32_t casHalfClocks = 0;
};

ClockFigures DecodeClocks(const ClockRegisters& read);

// The JEDEC minimums of one DDR speed grade, in ns.
struct SpeedGrade {
    char Name[8];     // "DDR333"
    uint32_t CycleTimePs;  // the shortest clock period of the grade
    uint32_t Ras, Rcd, Rp, Rc, Rfc, Rrd;
};

// The slowest grade whose clock reaches the memory clock (a part of a slower grade is
// not made to run that fast); above DDR400's, DDR400.
const SpeedGrade& GradeOfClock(uint32_t memoryKHz);

// Whether the field is one of the DRAM timings (the memory controller's registers).
bool IsDramField(const RegisterField& field);

// One field of the catalogue at the clock.
struct FieldTiming {
    const RegisterField* field;
    uint32_t count;
    bool plainCount;        // the field counts memory clocks
    bool nsKnown;           // plainCount and the clock is known
    uint32_t tenthsOfNs;    // count x the clock period, rounded to 0.1 ns
    std::vector<std::string> warnings;
};

// Every field of the catalogue in its order, with the cached counts, at the figures'
// memory clock.
std::vector<FieldTiming> FieldTimings(const ClockFigures& clocks);

// "42.1" for 421 tenths.
std::string TenthsText(uint32_t tenths);

// Whether any field has a warning.
bool AnyWarning(const std::vector<FieldTiming>& timings);
