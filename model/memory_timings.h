// What the DRAM timings mean at the clock the memory runs at: the clocks told from the
// chipset's registers, each timing in nanoseconds, and the warnings of timings that
// cannot work. Nothing here touches the hardware; the window hands in what it read
// (hw/clock_registers.h) and the field catalogue holds the counts.
#pragma once
#include <array>
#include <cstdint>

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
    char Name[8];          // "DDR333"
    uint32_t CycleTimePs;  // the shortest clock period of the grade
    uint32_t Ras, Rcd, Rp, Rc, Rfc, Rrd;
};

// The slowest grade whose clock reaches the memory clock (a part of a slower grade is
// not made to run that fast); above DDR400's, DDR400.
const SpeedGrade& GradeOfClock(uint32_t memoryKHz);

// What is wrong with a timing, as bits.
enum TimingWarning : uint32_t {
    kBelowMinimum = 1,    // shorter than the grade's minimum
    kBelowRasPlusRp = 2,  // T(RC) below T(RAS) + T(RP)
    kBelowRowCycle = 4,   // T(RFC) below T(RC)
};

// One field of the catalogue at the clock.
struct FieldTiming {
    const RegisterField* field;
    uint32_t count;
    bool plainCount;       // the field counts memory clocks
    bool nsKnown;          // plainCount and the clock is known
    uint32_t tenthsOfNs;   // count x the clock period, rounded to 0.1 ns
    uint32_t warnings;     // TimingWarning bits
    uint32_t minimumNs;    // the grade's minimum, for kBelowMinimum
    uint32_t boundCount;   // T(RAS) + T(RP) or T(RC), for the other two
};

// Every field of the catalogue in its order, with the cached counts, at the memory
// clock, and the grade they are held to.
struct TimingFigures {
    ClockFigures clocks;
    const SpeedGrade* grade;
    std::array<FieldTiming, kFieldCount> fields;
};

TimingFigures FigureTimings(const ClockFigures& clocks);

// Whether the field is one of the DRAM timings (the memory controller's registers).
bool IsDramField(const RegisterField& field);
