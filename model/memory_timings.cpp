#include "model/memory_timings.h"

#include <cstring>

#include "hw/concat.h"
#include "hw/hex_text.h"

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
// "AC Timing Parameters & Specifications", Rev. 1.3 April 2005 (B3, A2/B0). DDR400:
// the same datasheet (CC), and Micron, 256Mb DDR SDRAM MT46V32M8, Rev. O 1/09, table 18
// (-5B). DDR266's tRAS is Micron's 40 ns (-75); Samsung asks 45: the lower figure is
// taken, so that only what no such part allows is warned of.
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

bool SameClock(uint32_t a, uint32_t b) {
    const uint32_t difference = a > b ? a - b : b - a;
    return uint64_t{difference} * 1000 <= uint64_t{b} * kSameClockPerMille;
}

// Count x period < minimum, exactly: count / kHz ms < minimum ns.
bool BelowMinimum(uint32_t count, uint32_t memoryKHz, uint32_t minimumNs) {
    return uint64_t{count} * 1000000 < uint64_t{minimumNs} * memoryKHz;
}

uint32_t CountOf(const std::vector<FieldTiming>& timings, const char* key) {
    for (const FieldTiming& timing : timings)
        if (std::strcmp(timing.field->Key, key) == 0) return timing.count;
    return 0;
}

FieldTiming* TimingOf(std::vector<FieldTiming>& timings, const char* key) {
    for (FieldTiming& timing : timings)
        if (std::strcmp(timing.field->Key, key) == 0) return &timing;
    return nullptr;
}

// A row cycle holds a row open and closes it; a refresh takes at least a row cycle.
void CheckRelations(std::vector<FieldTiming>& timings) {
    const uint32_t rc = CountOf(timings, "Trc"), ras = CountOf(timings, "Tras"), rp = CountOf(timings, "Trp");
    if (rc < ras + rp)
        TimingOf(timings, "Trc")->warnings.push_back(
            Concat({"below T(RAS) + T(RP) = ", DecimalText(ras + rp)}));
    if (CountOf(timings, "Trfc") < rc)
        TimingOf(timings, "Trfc")->warnings.push_back(Concat({"below T(RC) = ", DecimalText(rc)}));
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
        if (uint64_t{memoryKHz} * grade.CycleTimePs <= 1000000000) return grade;
    return kGrades[sizeof kGrades / sizeof kGrades[0] - 1];
}

std::vector<FieldTiming> FieldTimings(const ClockFigures& clocks) {
    std::vector<FieldTiming> timings;
    const SpeedGrade& grade = GradeOfClock(clocks.memoryKHz);
    for (const RegisterField& field : FieldCatalogue) {
        const PlainCount* plain = PlainCountOf(field);
        FieldTiming timing = {&field, GetFieldValue(field), plain != nullptr, false, 0, {}};
        if (plain != nullptr && clocks.memoryKHz != 0) {
            timing.nsKnown = true;
            timing.tenthsOfNs =
                static_cast<uint32_t>((uint64_t{timing.count} * 10000000 + clocks.memoryKHz / 2) / clocks.memoryKHz);
            const uint32_t minimum = grade.*(plain->Minimum);
            if (BelowMinimum(timing.count, clocks.memoryKHz, minimum))
                timing.warnings.push_back(Concat({TenthsText(timing.tenthsOfNs), " ns, below ", grade.Name, "'s ",
                                                  DecimalText(minimum), " ns"}));
        }
        timings.push_back(timing);
    }
    CheckRelations(timings);
    return timings;
}

std::string TenthsText(uint32_t tenths) {
    return Concat({DecimalText(tenths / 10), ".", DecimalText(tenths % 10)});
}

bool AnyWarning(const std::vector<FieldTiming>& timings) {
    for (const FieldTiming& timing : timings)
        if (!timing.warnings.empty()) return true;
    return false;
}
