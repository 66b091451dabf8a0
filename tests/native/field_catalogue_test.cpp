#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/field_catalogue.h"
#include "tests/native/fake_ports.h"
#include "tests/support/field_lookup.h"

namespace {

// Where the sentinel ends a field's list, looking no further than the list's room; a
// list that lost its sentinel would otherwise be walked past its end.
size_t SentinelIndex(const RegisterField& field) {
    for (size_t i = 0; i <= kMaxChoices; ++i)
        if (field.Choices[i] == &NoChoice) return i;
    return kMaxChoices + 1;
}

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override { FakePorts::Reset(); }
};

TEST(FieldCatalogueTable, FieldsAreWithinTheirRegistersAndDoNotOverlap) {
    for (const PciRegister& reg : RegisterTable) {
        uint32_t used = 0;
        for (const RegisterField& f : FieldCatalogue) {
            if (f.Register != &reg) continue;
            ASSERT_GE(f.Width, 1u);
            ASSERT_LE(f.Width, 8u);
            ASSERT_LE(f.Shift + f.Width, 32u) << f.Key;
            EXPECT_EQ(used & FieldMask(f), 0u) << f.Key << " overlaps another field";
            used |= FieldMask(f);
        }
    }
}

TEST(FieldCatalogueTable, ChoicesFitTheFieldAndEndWithNoChoice) {
    std::set<std::string> keys;
    for (const RegisterField& f : FieldCatalogue) {
        EXPECT_TRUE(keys.insert(f.Key).second) << "duplicate key " << f.Key;
        EXPECT_NE(f.Name[0], '\0') << f.Key;
        const size_t count = SentinelIndex(f);
        ASSERT_GE(count, 1u) << f.Key;
        ASSERT_LE(count, kMaxChoices) << f.Key << " has no sentinel";
        EXPECT_EQ(ChoiceCount(f), count);
        for (size_t i = 0; i < count; ++i) {
            ASSERT_NE(f.Choices[i], nullptr);
            EXPECT_GE(f.Choices[i]->Value, 0) << f.Key;
            EXPECT_LT(static_cast<uint32_t>(f.Choices[i]->Value), 1u << f.Width) << f.Key;
        }
    }
}

TEST(FieldCatalogueTable, ChoiceCountsAndSharedRecords) {
    const char* keys[] = {"AutoPrecharge", "Trc", "Trfc", "Tras", "Trext", "Trp", "PCILatency"};
    const size_t counts[] = {2, 32, 32, 16, 4, 8, 9};
    for (size_t i = 0; i < std::size(keys); ++i) EXPECT_EQ(ChoiceCount(Field(keys[i])), counts[i]);

    // The same record stands for "3" in every field that offers it.
    EXPECT_EQ(Field("Trc").Choices[3], Field("Trp").Choices[3]);
    EXPECT_EQ(Field("Trext").Choices[3], Field("Tras").Choices[3]);
    EXPECT_EQ(Field("AGPBusLatency").Choices[8], Field("PCILatency").Choices[8]);
    EXPECT_STREQ(Field("PCILatency").Choices[8]->Label, "255");
    EXPECT_STREQ(Field("AutoPrecharge").Choices[0]->Label, "Enable");
    EXPECT_EQ(Field("AutoPrecharge").Choices[1]->Value, 0);
}

TEST_F(FieldTest, DecodesDramTiming1) {
    RegisterTable[1].Value = 0x12345678;
    EXPECT_EQ(GetFieldValue(Field("Trc")), 24u);
    EXPECT_EQ(GetFieldValue(Field("Trfc")), 22u);
    EXPECT_EQ(GetFieldValue(Field("Tras")), 8u);
    EXPECT_EQ(GetFieldValue(Field("Trcdr")), 3u);
    EXPECT_EQ(GetFieldValue(Field("Trcdw")), 2u);
    EXPECT_EQ(GetFieldValue(Field("Trp")), 1u);
}

TEST_F(FieldTest, TopByteFieldsDecodeUnsigned) {
    RegisterTable[4].Value = 0xFF000000;
    RegisterTable[5].Value = 0x80FFFFFF;
    EXPECT_EQ(GetFieldValue(Field("AGPBusLatency")), 255u);
    EXPECT_EQ(GetFieldValue(Field("PCILatency")), 128u);
    RegisterTable[3].Value = 0xFFFF48FF;
    EXPECT_EQ(GetFieldValue(Field("AGPControllerLatency")), 0x48u);
}

TEST_F(FieldTest, SetChangesOnlyTheFieldsBits) {
    RegisterTable[1].Value = 0x12345678;
    SetFieldValue(Field("Tras"), 15);
    EXPECT_EQ(GetFieldValue(Field("Tras")), 15u);
    EXPECT_EQ(GetFieldValue(Field("Trfc")), 22u);
    EXPECT_EQ(GetFieldValue(Field("Trcdr")), 3u);
    EXPECT_EQ(RegisterTable[1].Value & ~FieldMask(Field("Tras")), 0x12345678u & ~FieldMask(Field("Tras")));

    RegisterTable[5].Value = 0x00ABCDEF;
    SetFieldValue(Field("PCILatency"), 0xC0);
    EXPECT_EQ(RegisterTable[5].Value, 0xC0ABCDEFu);
}

TEST_F(FieldTest, SetNeverSpillsAnOversizedValueIntoNeighbours) {
    for (const RegisterField& f : FieldCatalogue) {
        for (uint32_t v : {0xFFFFFFFFu, 1u << f.Width, 0x80000000u}) {
            f.Register->Value = 0x5A5A5A5A;
            SetFieldValue(f, v);
            EXPECT_EQ(f.Register->Value & ~FieldMask(f), 0x5A5A5A5Au & ~FieldMask(f)) << f.Key;
        }
    }
    RegisterTable[2].Value = 0;
    SetFieldValue(Field("Trext"), 7);  // two bits wide
    EXPECT_EQ(RegisterTable[2].Value, 0x3000u);
}

TEST_F(FieldTest, FindChoiceMatchesByValueOrYieldsNoChoice) {
    const RegisterField& precharge = Field("AutoPrecharge");
    RegisterTable[0].Value = 1u << 17;
    EXPECT_STREQ(FindChoice(precharge)->Label, "Enable");
    RegisterTable[0].Value = ~(1u << 17);
    EXPECT_STREQ(FindChoice(precharge)->Label, "Disable");

    const RegisterField& agp = Field("AGPControllerLatency");
    RegisterTable[3].Value = 0x4000;
    EXPECT_STREQ(FindChoice(agp)->Label, "64");
    RegisterTable[3].Value = 0x4800;
    EXPECT_EQ(FindChoice(agp), &NoChoice);
    RegisterTable[3].Value = 0xFF00;
    EXPECT_STREQ(FindChoice(agp)->Label, "255");
    RegisterTable[3].Value = 0;
    EXPECT_EQ(FindChoice(agp), &NoChoice);  // zero is a value, but no latency choice has it

    RegisterTable[1].Value = 0;
    EXPECT_EQ(FindChoice(Field("Trc")), Field("Trc").Choices[0]);
}

TEST(FormatBinaryTest, KeepsLeadingZerosMostSignificantFirst) {
    EXPECT_EQ(FormatBinary(0, 2), "00");
    EXPECT_EQ(FormatBinary(1, 1), "1");
    EXPECT_EQ(FormatBinary(3, 3), "011");
    EXPECT_EQ(FormatBinary(5, 3), "101");
    EXPECT_EQ(FormatBinary(0x1FF, 8), "11111111");
    EXPECT_EQ(FormatBinary(0x80000001u, 32), "10000000000000000000000000000001");
    EXPECT_EQ(FormatBinary(7, 0), "");
}

TEST(ChoiceDisplayLabelTest, ReservedShowsItsBitsOthersAreUnchanged) {
    const RegisterField& trcdr = FieldCatalogue[4];
    const FieldChoice reserved{"Reserved", 5};
    EXPECT_EQ(ChoiceDisplayLabel(trcdr, reserved), "Reserved [101b]");
    const FieldChoice lower{"reserved", 5};
    EXPECT_EQ(ChoiceDisplayLabel(trcdr, lower), "reserved");
    EXPECT_EQ(ChoiceDisplayLabel(trcdr, *trcdr.Choices[5]), "5");
}

}  // namespace
