#include "model/memory_timings.h"

#include <cstring>

namespace {

// The FSB PLL runs from a 25 MHz crystal: FSB = 25 MHz x multiplier / divider, the
// multiplier in bits 15-8 of 00:00.0+A4 and the divider in bits 7-0 (Linux,
// drivers/cpufreq/cpufreq-nforce2.c: nforce2_calc_fsb, NFORCE2_XTAL).
constexpr uint32_t kPllCrystalKHz = 25000;
constexpr uint32_t kPllMultiplierShift = 8;
constexpr uint32_t kPllFieldMask = 0xFF;
// The memory PLL's divider M (bits 3-0) and multiplier N (bits 7-4) of 00:00.3+70, or of
// +7C where either reads zero (memtest86 5.01, controller.c: poll_fsb_nf2).
constexpr uint32_t kMemoryPllMask = 0x0F;
constexpr uint32_t kMemoryPllNShift = 4;
// The CAS latency, bits 6-4 of 00:00.1+A0 (memtest86 5.01, controller.c:
// poll_timings_nf2): 2 is CL 2, 3 is CL 3, 6 is CL 2.5.
constexpr uint32_t kCasShift = 4;
constexpr uint32_t kCasMask = 0x7;
// Clocks set at boot are told in Hz; one outside this range is no clock of this chipset.
constexpr uint32_t kLowestClockHz = 1000000;
constexpr uint32_t kHighestClockHz = 1000000000;
// Two readings of one clock that differ by no more than this (in 1/1000) are the same
// clock: the PLL's figure and the firmware's stand 0.5% apart on a board whose FSB was
// never touched (tests/data/boards/nforce2_asus_a7n8x_full.txt: 166.18 and 167.05 MHz).
constexpr uint32_t kSameClockPerMille = 10;

// JEDEC minimums, ns. DDR333 and DDR266: Samsung, 256Mb E-die DDR SDRAM K4H560838E,
// its table of AC timing parameters, Rev. 1.3 April 2005 (B3, A2/B0). DDR400:
// the same datasheet (CC), and Micron, 256Mb DDR SDRAM MT46V32M8, Rev. O 1/09, table 18
// (-5B). DDR266's tRAS is 40 ns, as Micron's -75 grade is quoted (its table was not at
// hand to check); Samsung asks 45. The lower is kept, so that only what no such part
// allows is warned of.
constexpr SpeedGrade kGrades[] = {
    {"DDR266", 7500, 40, 20, 20, 65, 75, 15},
    {"DDR333", 6000, 42, 18, 18, 60, 72, 12},
    {"DDR400", 5000, 40, 15, 15, 55, 70, 10},
};

// The fields that count memory clocks, with the minimum each is held to.
struct PlainCount {
    char Key[8];
    uint32_t SpeedGrade::*Minimum;
};

constexpr PlainCount kPlainCounts[] = {
    {"Trc", &SpeedGrade::Rc},     {"Trfc", &SpeedGrade::Rfc},   {"Tras", &SpeedGrade::Ras},
    {"Trcdr", &SpeedGrade::Rcd},  {"Trcdw", &SpeedGrade::Rcd},  {"Trp", &SpeedGrade::Rp},
    {"Trrd", &SpeedGrade::Rrd},
};

const PlainCount* PlainCountOf(const RegisterField& field) {
    for (const PlainCount& plain : kPlainCounts)
        if (std::strcmp(plain.Key, field.Key) == 0) return &plain;
    return nullptr;
}

uint32_t KHzOfHz(uint32_t hz) {
    return hz < kLowestClockHz || hz > kHighestClockHz ? 0 : (hz + 500) / 1000;
}

uint32_t PllKHz(uint32_t pll) {
    const uint32_t multiplier = (pll >> kPllMultiplierShift) & kPllFieldMask;
    const uint32_t divider = pll & kPllFieldMask;
    if (multiplier == 0 || divider == 0) return 0;
    return (kPllCrystalKHz * multiplier + divider / 2) / divider;
}

void DecodeFsb(const ClockRegisters& read, ClockFigures& clocks) {
    // The PLL register means something only once the firmware set it (its enable byte).
    if (read.fsbPllRead && (read.fsbPllEnable & 0xFF) != 0 && (clocks.fsbKHz = PllKHz(read.fsbPll)) != 0) {
        clocks.fsbSource = FsbSource::Pll;
        return;
    }
    if (read.bootClocksRead && (clocks.fsbKHz = KHzOfHz(read.bootFsbHz)) != 0) clocks.fsbSource = FsbSource::Boot;
}

void DecodeMemoryPll(const ClockRegisters& read, ClockFigures& clocks) {
    if (!read.memoryPllRead) return;
    for (uint32_t pll : {read.memoryPll, read.memoryPllAlternative}) {
        const uint32_t m = pll & kMemoryPllMask;
        const uint32_t n = (pll >> kMemoryPllNShift) & kMemoryPllMask;
        if (m == 0 || n == 0) continue;
        clocks.ratioN = n;
        clocks.ratioM = m;
        return;
    }
}

uint32_t CasHalfClocks(uint32_t code) {
    switch (code) {
        case 2: return 4;
        case 3: return 6;
        case 6: return 5;
        default: return 0;
    }
}

// Within kSameClockPerMille of each other.
bool SameClock(uint32_t a, uint32_t b) {
    const uint32_t difference = a > b ? a - b : b - a;
    return difference * (1000 / kSameClockPerMille) <= b;
}

// Count x period < minimum, exactly: count / kHz ms < minimum ns. Counts are below 32
// and clocks below 10 GHz, so 32 bits hold both sides.
bool BelowMinimum(uint32_t count, uint32_t memoryKHz, uint32_t minimumNs) {
    return count * 1000000 < minimumNs * memoryKHz;
}

FieldTiming& TimingOf(TimingFigures& figures, const char* key) {
    for (FieldTiming& timing : figures.fields)
        if (std::strcmp(timing.field->Key, key) == 0) return timing;
    return figures.fields[0];
}

// A row cycle holds a row open and closes it; a refresh takes at least a row cycle.
void CheckRelations(TimingFigures& figures) {
    FieldTiming& rc = TimingOf(figures, "Trc");
    FieldTiming& rfc = TimingOf(figures, "Trfc");
    const uint32_t rasPlusRp = TimingOf(figures, "Tras").count + TimingOf(figures, "Trp").count;
    if (rc.count < rasPlusRp) {
        rc.warnings |= kBelowRasPlusRp;
        rc.boundCount = rasPlusRp;
    }
    if (rfc.count < rc.count) {
        rfc.warnings |= kBelowRowCycle;
        rfc.boundCount = rc.count;
    }
}

}  // namespace

bool IsDramField(const RegisterField& field) {
    const RegisterId id = field.Register->Id;
    return id == RegisterId::DramTiming0 || id == RegisterId::DramTiming1 || id == RegisterId::DramAlphaTiming;
}

ClockFigures DecodeClocks(const ClockRegisters& read) {
    ClockFigures clocks;
    DecodeFsb(read, clocks);
    DecodeMemoryPll(read, clocks);
    if (read.bootClocksRead) clocks.bootMemoryKHz = KHzOfHz(read.bootMemoryHz);
    if (clocks.fsbKHz != 0 && clocks.ratioM != 0) {
        clocks.memoryKHz = (clocks.fsbKHz * clocks.ratioN + clocks.ratioM / 2) / clocks.ratioM;
        clocks.memoryLive = true;
        clocks.changedSinceBoot = clocks.bootMemoryKHz != 0 && !SameClock(clocks.memoryKHz, clocks.bootMemoryKHz);
    } else {
        clocks.memoryKHz = clocks.bootMemoryKHz;
    }
    if (read.dramConfigRead) clocks.casHalfClocks = CasHalfClocks((read.dramConfig >> kCasShift) & kCasMask);
    return clocks;
}

const SpeedGrade& GradeOfClock(uint32_t memoryKHz) {
    for (const SpeedGrade& grade : kGrades)
        if (memoryKHz <= 1000000000 / grade.CycleTimePs) return grade;
    return kGrades[sizeof kGrades / sizeof kGrades[0] - 1];
}

TimingFigures FigureTimings(const ClockFigures& clocks) {
    TimingFigures figures = {clocks, &GradeOfClock(clocks.memoryKHz), {}};
    const uint32_t kHz = clocks.memoryKHz;
    for (size_t i = 0; i < kFieldCount; ++i) {
        const RegisterField& field = FieldCatalogue[i];
        const PlainCount* plain = PlainCountOf(field);
        FieldTiming& timing = figures.fields[i];
        timing = {&field, GetFieldValue(field), plain != nullptr, plain != nullptr && kHz != 0, 0, 0, 0, 0};
        if (!timing.nsKnown) continue;
        timing.tenthsOfNs = (timing.count * 10000000 + kHz / 2) / kHz;
        timing.minimumNs = figures.grade->*(plain->Minimum);
        if (BelowMinimum(timing.count, kHz, timing.minimumNs)) timing.warnings |= kBelowMinimum;
    }
    CheckRelations(figures);
    return figures;
}
