// What a write of all registers reports: the fields the chipset refused and the log.
#include <gtest/gtest.h>

#include <string>

#include "model/field_catalogue.h"
#include "model/write_report.h"
#include "tests/native/fake_ports.h"
#include "tests/support/field_lookup.h"

namespace {

class WriteReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakePorts::Reset();
        ReadAllRegisters();
    }
};

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST_F(WriteReportTest, OnlyFieldsTheChipsetChangedAreReported) {
    // The AGP bridge hardwires the low three bits of its secondary latency timer; the
    // memory controller's reserved bits are read-only but belong to no field.
    SetFieldValue(Field("AGPBusLatency"), 255);
    SetFieldValue(Field("Tras"), 15);
    Register(RegisterId::DramTiming1).Value |= 0x80000000;

    const RegisterWrite write = WriteAllRegistersNoted();

    const std::string text = RefusedFieldsText(write);
    EXPECT_NE(text.find("AGP Bus Latency: asked 255, the chipset kept 248\n"), std::string::npos) << text;
    EXPECT_EQ(Count(text, "asked"), 1u) << text;
    EXPECT_EQ(GetFieldValue(Field("Tras")), 15u);
}

TEST_F(WriteReportTest, NothingToReportWhenEveryFieldIsKept) {
    SetFieldValue(Field("Trc"), 7);
    EXPECT_EQ(RefusedFieldsText(WriteAllRegistersNoted()), "");
}

TEST_F(WriteReportTest, BeforeIsTheLastReadWrittenTheCacheAndReadBackTheChipset) {
    const uint32_t firmware = Register(RegisterId::AgpBusLatency).Value;
    SetFieldValue(Field("AGPBusLatency"), 255);
    const RegisterWrite first = WriteAllRegistersNoted();
    const size_t agp = static_cast<size_t>(RegisterId::AgpBusLatency);
    EXPECT_EQ(first.before[agp], firmware);
    EXPECT_EQ(first.written[agp], (firmware & 0x00FFFFFF) | 0xFF000000);
    EXPECT_EQ(first.readBack[agp], (firmware & 0x00FFFFFF) | 0xF8000000);
    // The next write starts from what the chipset kept, not from what was asked.
    EXPECT_EQ(WriteAllRegistersNoted().before[agp], first.readBack[agp]);
}

TEST_F(WriteReportTest, LogEntryNamesTheWriteAndEveryRegisterWritten) {
    Register(RegisterId::PciBusLatency).Present = false;
    SetFieldValue(Field("AGPBusLatency"), 255);
    const RegisterWrite write = WriteAllRegistersNoted();

    const std::string entry =
        WriteLogEntry(write, "2026-12-09 23:59:01", WriteOrigin::Logon, "C:\\Tools\\startup.qln");

    EXPECT_EQ(entry.substr(0, entry.find("\r\n")), "2026-12-09 23:59:01 logon C:\\Tools\\startup.qln");
    EXPECT_EQ(Count(entry, "\r\n"), 1u + 5u);
    EXPECT_NE(entry.find("  00:00.1+84 before 00020A05 written 00020A05 read back 00020A05\r\n"),
              std::string::npos) << entry;
    EXPECT_NE(entry.find("  00:1E.0+18 before 48010100 written FF010100 read back F8010100\r\n"),
              std::string::npos) << entry;
    EXPECT_EQ(entry.find("00:08.0"), std::string::npos) << "an absent bridge is never written";
    EXPECT_EQ(WriteLogEntry(write, "t", WriteOrigin::Window, "").substr(0, 9), "t window\r");
}

std::string Entry(char tag, size_t lines) {
    std::string entry = std::string("2026-01-01 00:00:0") + tag + " file x\r\n";
    for (size_t i = 0; i < lines; ++i) entry += "  00:00.1+84 before 0 written 0 read back 0\r\n";
    return entry;
}

TEST(WriteLogTest, GrowsByAppendingUntilTheLimitThenDropsTheOldestHalfByWholeEntries) {
    std::string log;
    for (char tag = '0'; tag <= '9'; ++tag) log = LogWithEntry(log, Entry(tag, 20), 4000);
    ASSERT_LE(log.size(), 4000u);
    // Entries stay whole, the newest is last, and only the oldest ones went.
    EXPECT_EQ(log.substr(log.size() - Entry('9', 20).size()), Entry('9', 20));
    EXPECT_EQ(log.find("2026"), 0u);
    EXPECT_EQ(log.find("00:00:00"), std::string::npos);
    EXPECT_EQ(Count(log, "2026") * Entry('0', 20).size(), log.size());

    const std::string small = LogWithEntry("a\r\n", "b\r\n", 100);
    EXPECT_EQ(small, "a\r\nb\r\n");
    // An entry larger than the limit alone still gets in; nothing old stays beside it.
    EXPECT_EQ(LogWithEntry(log, Entry('x', 200), 4000), Entry('x', 200));
}

// A restart without a reset leaves the chipset as Quillon's last write left it: the
// log's last write tells those values from the firmware's.
TEST_F(WriteReportTest, LiveRegistersAreTheLastLoggedWritesOnlyWhenEveryRegisterItNamesMatches) {
    SetFieldValue(Field("AGPBusLatency"), 255);
    const RegisterWrite first = WriteAllRegistersNoted();
    SetFieldValue(Field("Trc"), 7);
    const RegisterWrite second = WriteAllRegistersNoted();
    const std::string log = WriteLogEntry(first, "t1", WriteOrigin::File, "a.qln") +
                            WriteLogEntry(second, "t2", WriteOrigin::Window, "");
    EXPECT_TRUE(HoldsLastLoggedWrite(log, second.readBack));
    EXPECT_FALSE(HoldsLastLoggedWrite(log, first.readBack)) << "only the last write counts";
    EXPECT_FALSE(HoldsLastLoggedWrite(log, second.before));
    // A note after the write (no registers written) changes nothing; no write, no match.
    EXPECT_TRUE(HoldsLastLoggedWrite(log + BootValuesNote(first.before, "t3", "boot.qln"), second.readBack));
    EXPECT_FALSE(HoldsLastLoggedWrite(BootValuesNote(second.readBack, "t3", "boot.qln"), second.readBack));
    EXPECT_FALSE(HoldsLastLoggedWrite("", second.readBack));
    // A register the entry leaves out (an absent bridge) is not compared; one cut short is no match.
    Register(RegisterId::PciBusLatency).Present = false;
    RegisterValues other = second.readBack;
    other[static_cast<size_t>(RegisterId::PciBusLatency)] ^= 1;
    EXPECT_TRUE(HoldsLastLoggedWrite(WriteLogEntry(second, "t4", WriteOrigin::File, ""), other));
    const std::string entry = WriteLogEntry(second, "t4", WriteOrigin::File, "");
    EXPECT_FALSE(HoldsLastLoggedWrite(entry.substr(0, entry.size() - 5), second.readBack));
}

TEST_F(WriteReportTest, BootValuesNoteKeepsEveryPresentRegistersFirstRead) {
    RegisterValues first{};
    first[static_cast<size_t>(RegisterId::DramTiming1)] = 0x3333310A;
    const std::string note = BootValuesNote(first, "2026-12-09 23:59:01", "C:\\Q\\boot.qln");
    EXPECT_EQ(note.substr(0, note.find("\r\n")),
              "2026-12-09 23:59:01 boot values not saved to C:\\Q\\boot.qln; the firmware's, as this "
              "boot's first read found them:");
    EXPECT_NE(note.find("  00:00.1+90 boot 3333310A\r\n"), std::string::npos) << note;
    EXPECT_EQ(Count(note, "\r\n"), 1u + kRegisterCount);
}

}  // namespace
