// The clocks and timings told from real machines' registers (tests/data/boards), each
// figure worked out here by hand from the dump's bytes, and the reads that get them.
#include <gtest/gtest.h>

#include <string>

#include "hw/clock_registers.h"
#include "hw/pci_functions.h"
#include "hw/pci_registers.h"
#include "model/memory_timings.h"
#include "model/timing_text.h"
#include "model/write_report.h"
#include "tests/native/fake_ports.h"
#include "tests/support/board_dumps.h"
#include "tests/support/field_lookup.h"

namespace {

class MemoryTimingsTest : public ::testing::Test {
protected:
    void SetUp() override { FakePorts::Reset(); }

    // The board's registers and clocks as the window reads them.
    ClockFigures OnBoard(const std::string& dump) {
        std::string error;
        EXPECT_TRUE(FakePorts::chipset.LoadDump(dump, &error)) << error;
        ReadAllRegisters();
        return DecodeClocks(ReadClockRegisters());
    }
    ClockFigures OnBoard(const char* name) { return OnBoard(BoardDump(QUILLON_BOARDS_DIR, name)); }

    // Sets one dword of the chipset as a dump line would.
    void Poke(uint32_t function, uint32_t offset, uint32_t value) {
        FakePorts::chipset.Out(0xCF8, ConfigAddress(0, 0, function, offset), 4);
        FakePorts::chipset.Out(0xCFC, value, 4);
    }

    static const FieldTiming& TimingOf(const TimingFigures& figures, const char* key) {
        for (const FieldTiming& timing : figures.fields)
            if (timing.field == &Field(key)) return timing;
        ADD_FAILURE() << key;
        return figures.fields.front();
    }
};

// A7N8X, 2004: 00:00.0+A4 reads 22 e2 3d 00 = 003DE222 and +A8 01, so the PLL counts:
// 25 MHz x E2 (226) / 22 (34) = 166.176 MHz. 00:00.3+70 reads 01 80 e0 01: M 1, N 0, so
// +7C counts, 55 00 02 01: M 5, N 5, memory = FSB. 00:00.5+48 and +4C both read
// 39 e9 f4 09 = 09F4E939 = 167045433 Hz. 00:00.1+A0 reads 6a: bits 6-4 are 6, CL 2.5.
TEST_F(MemoryTimingsTest, A7n8xClocksComeFromTheFsbPllAndTheMemoryPll) {
    const ClockFigures clocks = OnBoard("nforce2_asus_a7n8x_full");
    EXPECT_EQ(clocks.fsbSource, FsbSource::Pll);
    EXPECT_EQ(clocks.fsbKHz, 166176u);
    EXPECT_EQ(clocks.ratioN, 5u);
    EXPECT_EQ(clocks.ratioM, 5u);
    EXPECT_TRUE(clocks.memoryLive);
    EXPECT_EQ(clocks.memoryKHz, 166176u);
    EXPECT_EQ(clocks.bootMemoryKHz, 167045u);
    EXPECT_FALSE(clocks.changedSinceBoot) << "0.5% apart on a board never retuned";
    EXPECT_EQ(clocks.casHalfClocks, 5u);
    EXPECT_STREQ(GradeOfClock(clocks.memoryKHz).Name, "DDR333");
}

// 00:00.1+90 reads 0b 8c 33 33 = 33338C0B: T(RC) 11, T(RFC) 12, T(RAS) 7, T(RCD-R) 3,
// T(RCD-W) 3, T(RP) 3; +94 reads 40 22 43 22 = 22432240: T(RRD) 2. At 166.176 MHz a
// clock is 6.0177 ns: 66.2, 72.2, 42.1, 18.1 and 12.0 ns, the DDR333 minimums met
// (tRC 60, tRFC 72, tRAS 42, tRCD and tRP 18, tRRD 12).
TEST_F(MemoryTimingsTest, A7n8xTimingsInNanosecondsMeetDdr333) {
    const TimingFigures timings = FigureTimings(OnBoard("nforce2_asus_a7n8x_full"));
    const std::pair<const char*, std::pair<uint32_t, uint32_t>> expected[] = {
        {"Trc", {11, 662}},  {"Trfc", {12, 722}}, {"Tras", {7, 421}}, {"Trcdr", {3, 181}},
        {"Trcdw", {3, 181}}, {"Trp", {3, 181}},   {"Trrd", {2, 120}}};
    for (const auto& [key, figures] : expected) {
        const FieldTiming& timing = TimingOf(timings, key);
        EXPECT_TRUE(timing.plainCount && timing.nsKnown) << key;
        EXPECT_EQ(timing.count, figures.first) << key;
        EXPECT_EQ(timing.tenthsOfNs, figures.second) << key;
    }
    for (const char* key : {"AutoPrecharge", "Tdoe", "Tw2p", "Tr2w", "AGPBusLatency"})
        EXPECT_FALSE(TimingOf(timings, key).plainCount) << key;
    EXPECT_EQ(WarningLines(timings), "");
}

// EPoX, 2003: +A8 reads 00 (its +A4, 007C55FB, would give 8.5 MHz), so the FSB is the
// boot one of 00:00.5+48, 167.045 MHz; the memory PLL is 5:5 as on the A7N8X. Faster
// than DDR333's 6 ns clock, the memory is held to DDR400: T(RAS) 7 is 41.9 ns >= 40.
TEST_F(MemoryTimingsTest, EpoxFsbIsTheBootOneWhereThePllIsNotSet) {
    const ClockFigures clocks = OnBoard("nforce2_epox_full");
    EXPECT_EQ(clocks.fsbSource, FsbSource::Boot);
    EXPECT_EQ(clocks.fsbKHz, 167045u);
    EXPECT_EQ(clocks.memoryKHz, 167045u);
    EXPECT_TRUE(clocks.memoryLive);
    EXPECT_FALSE(clocks.changedSinceBoot);
    EXPECT_STREQ(GradeOfClock(clocks.memoryKHz).Name, "DDR400");
    const TimingFigures timings = FigureTimings(clocks);
    EXPECT_EQ(TimingOf(timings, "Tras").tenthsOfNs, 419u);
    EXPECT_EQ(WarningLines(timings), "");
}

// The kept dumps lack 00:00.3 and 00:00.5: what depends on them is unknown, the rest
// is told as before.
TEST_F(MemoryTimingsTest, AbsentClockFunctionsLeaveTheirFiguresUnknown) {
    ClockFigures clocks = OnBoard("nforce2_epox");
    EXPECT_EQ(clocks.fsbKHz, 0u);
    EXPECT_EQ(clocks.memoryKHz, 0u);
    EXPECT_EQ(clocks.casHalfClocks, 5u);
    TimingFigures timings = FigureTimings(clocks);
    EXPECT_FALSE(TimingOf(timings, "Tras").nsKnown);
    EXPECT_EQ(WarningLines(timings), "");
    EXPECT_EQ(PanelText(timings).memory, "Memory: unknown");
    EXPECT_EQ(PanelText(timings).fsb, "FSB: unknown");

    clocks = OnBoard("nforce2_asus_a7n8x");
    EXPECT_EQ(clocks.fsbKHz, 166176u);
    EXPECT_EQ(clocks.ratioM, 0u);
    EXPECT_EQ(clocks.memoryKHz, 0u);
    EXPECT_EQ(PanelText(FigureTimings(clocks)).fsb, "FSB: 166.2 MHz");
    EXPECT_EQ(PanelText(FigureTimings(clocks)).ratio, "Memory:FSB ratio unknown");

    // Without 00:00.5 the A7N8X's clocks all come from its PLLs.
    clocks = OnBoard(WithoutFunction(BoardDump(QUILLON_BOARDS_DIR, "nforce2_asus_a7n8x_full"), "00:00.5"));
    EXPECT_EQ(clocks.memoryKHz, 166176u);
    EXPECT_EQ(clocks.bootMemoryKHz, 0u);
}

// Another device where the memory PLL should be is not read beyond its ids: the memory
// clock shown is then the one set at boot, and says so.
TEST_F(MemoryTimingsTest, UnknownDeviceAtAClockFunctionIsReadNoFurther) {
    std::string error;
    ASSERT_TRUE(FakePorts::chipset.LoadDump(BoardDump(QUILLON_BOARDS_DIR, "nforce2_asus_a7n8x_full"), &error));
    std::string dump = FakePorts::chipset.Dump();
    dump.replace(dump.find("00:00.3\n00: de 10 ed 01"), 23, "00:00.3\n00: de 10 ea 01");
    const ClockFigures clocks = OnBoard(dump);
    EXPECT_EQ(clocks.ratioM, 0u);
    EXPECT_FALSE(clocks.memoryLive);
    EXPECT_EQ(clocks.memoryKHz, 167045u);
    EXPECT_EQ(PanelText(FigureTimings(clocks)).source, "As set at boot");
}

// Four ids and seven registers, all read, all under one hold of the ports; nothing written.
TEST_F(MemoryTimingsTest, ClockReadsAreReadsOnlyUnderTheLock) {
    OnBoard("nforce2_asus_a7n8x_full");
    FakePorts::calls.clear();
    const int locks = FakePorts::locksTaken;
    ReadClockRegisters();
    EXPECT_EQ(FakePorts::calls.size(), 2u * 11u);
    EXPECT_EQ(FakePorts::locksTaken, locks + 1);
    for (const PortCall& call : FakePorts::calls) {
        EXPECT_TRUE(call.portsHeld);
        EXPECT_FALSE(call.write && call.port == 0xCFC);
    }
    FakePorts::loaded = false;
    FakePorts::calls.clear();
    EXPECT_FALSE(ReadClockRegisters().fsbPllRead);
    EXPECT_TRUE(FakePorts::calls.empty());
}

// The FSB raised to 200 MHz after boot (25 x F0 / 1E): the live clock is shown and said
// to differ from boot's; DDR400 then asks tRAS 40 and tRFC 70, more than 7 and 12 clocks.
TEST_F(MemoryTimingsTest, FsbChangedSinceBootWarnsOfWhatNoLongerFits) {
    OnBoard("nforce2_asus_a7n8x_full");
    Poke(0, 0xA4, 0x0000F01E);
    const ClockFigures clocks = DecodeClocks(ReadClockRegisters());
    EXPECT_EQ(clocks.memoryKHz, 200000u);
    EXPECT_TRUE(clocks.changedSinceBoot);
    const TimingFigures timings = FigureTimings(clocks);
    EXPECT_EQ(WarningLines(timings),
              "T(RFC) 12: 60.0 ns, below DDR400's 70 ns\r\nT(RAS) 7: 35.0 ns, below DDR400's 40 ns\r\n");
    const PanelLines panel = PanelText(timings);
    EXPECT_EQ(panel.memory, "Memory: 200.0 MHz, DDR 400");
    EXPECT_EQ(panel.source, "Was 167.0 MHz at boot");
    EXPECT_EQ(panel.warnings, "Warnings: T(RFC), T(RAS)");
    EXPECT_EQ(FieldTooltip(TimingOf(timings, "Tras"), timings),
              "T(RAS): 7 clocks = 35.0 ns at 200.0 MHz\r\nWarning: 35.0 ns, below DDR400's 40 ns");
}

TEST_F(MemoryTimingsTest, RowCycleShorterThanItsPartsAndRefreshShorterThanARowCycleAreWarnedOf) {
    OnBoard("nforce2_epox");  // no clock: the counts alone
    SetFieldValue(Field("Trc"), 9);    // T(RAS) 7 + T(RP) 3 = 10
    SetFieldValue(Field("Trfc"), 8);
    EXPECT_EQ(WarningLines(FigureTimings(DecodeClocks(ReadClockRegisters()))),
              "T(RC) 9: below T(RAS) + T(RP) = 10\r\nT(RFC) 8: below T(RC) = 9\r\n");
}

TEST_F(MemoryTimingsTest, CasLatencyCodesAndTheirTexts) {
    const std::pair<uint32_t, const char*> codes[] = {{0x20, "CAS latency: 2"}, {0x30, "CAS latency: 3"},
                                                      {0x6A, "CAS latency: 2.5"}, {0x00, "CAS latency: unknown"},
                                                      {0x40, "CAS latency: unknown"}, {0x70, "CAS latency: unknown"}};
    for (const auto& [a0, text] : codes) {
        ClockRegisters read;
        read.dramConfigRead = true;
        read.dramConfig = a0;
        const ClockFigures clocks = DecodeClocks(read);
        EXPECT_EQ(PanelText(FigureTimings(clocks)).cas, text) << a0;
    }
}

TEST_F(MemoryTimingsTest, PanelTooltipsAndReportOfTheA7n8x) {
    const ClockFigures clocks = OnBoard("nforce2_asus_a7n8x_full");
    ReadFunctionIdentities();
    const TimingFigures timings = FigureTimings(clocks);
    const PanelLines panel = PanelText(timings);
    EXPECT_EQ(panel.memory, "Memory: 166.2 MHz, DDR 332");
    EXPECT_EQ(panel.fsb, "FSB: 166.2 MHz");
    EXPECT_EQ(panel.ratio, "Memory:FSB ratio 1:1");
    EXPECT_EQ(panel.cas, "CAS latency: 2.5");
    EXPECT_EQ(panel.source, "");
    EXPECT_EQ(panel.warnings, "No warnings");
    EXPECT_EQ(FieldTooltip(TimingOf(timings, "Trc"), timings), "T(RC): 11 clocks = 66.2 ns at 166.2 MHz");
    EXPECT_EQ(FieldTooltip(TimingOf(timings, "Tdoe"), timings), "T(DOE): 2");
    EXPECT_EQ(FieldTooltip(TimingOf(timings, "AutoPrecharge"), timings), "Auto Precharge: Enable");

    const std::string report = TimingReport("Quillon V0.25b", timings);
    EXPECT_EQ(report.substr(0, report.find("\r\n")), "Quillon V0.25b, DRAM timings");
    for (const char* line : {"Machine: HostBridge 10DE:01E0 C1, MemoryController 10DE:01EB C1, AgpBridge "
                             "10DE:01E8 C1, PciBridge 10DE:006C A3, Board 1043:80AC\r\n",
                             "\r\nMemory: 166.2 MHz, DDR 332\r\nFSB: 166.2 MHz\r\nMemory:FSB ratio 1:1\r\n"
                             "CAS latency: 2.5\r\n",
                             "\r\nT(RAS)                  7       42.1 ns\r\n",
                             "\r\nT(RRD)                  2       12.0 ns\r\n",
                             "\r\nAGP Bus Latency         32\r\n"})
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
    EXPECT_LT(report.size(), 1200u) << "short enough for a forum post";
}

TEST_F(MemoryTimingsTest, WriteLogEntryRecordsTheWarnings) {
    ReadAllRegisters();
    RegisterWrite write = WriteAllRegistersNoted();
    write.warnings = "T(RAS) 6: 36.1 ns, below DDR333's 42 ns\r\nT(RC) 9: below T(RAS) + T(RP) = 10\r\n";
    const std::string entry = WriteLogEntry(write, "t", WriteOrigin::Window, "");
    EXPECT_NE(entry.find("\r\n  warning: T(RAS) 6: 36.1 ns, below DDR333's 42 ns\r\n"
                         "  warning: T(RC) 9: below T(RAS) + T(RP) = 10\r\n"),
              std::string::npos)
        << entry;
    EXPECT_EQ(entry.substr(entry.size() - 2), "\r\n");
}

}  // namespace
