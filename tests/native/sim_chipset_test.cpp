#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "sim/chipset.h"

namespace {

uint32_t ReadConfig(SimChipset& chip, uint32_t address) {
    chip.Out(0xCF8, address, 4);
    return chip.In(0xCFC, 4);
}

TEST(SimChipsetTest, AbsentFunctionsAndDisabledAddressesFloatHigh) {
    SimChipset chip;
    EXPECT_EQ(ReadConfig(chip, 0x80000100), 0x01EB10DEu);  // 0:0.1 present
    EXPECT_EQ(ReadConfig(chip, 0x80000900), 0xFFFFFFFFu);  // 0:1.1 absent
    EXPECT_EQ(ReadConfig(chip, 0x00000100), 0xFFFFFFFFu);  // enable bit clear
    EXPECT_EQ(chip.In(0xCF8, 4), 0x00000100u);             // the latch reads back
    EXPECT_EQ(chip.In(0x80, 1), 0xFFu);
}

TEST(SimChipsetTest, ReadOnlyBitsSurviveWrites) {
    SimChipset chip;
    chip.Out(0xCF8, 0x80000100, 4);
    chip.Out(0xCFC, 0, 4);
    EXPECT_EQ(chip.In(0xCFC, 4), 0x01EB10DEu);
    chip.Out(0xCF8, 0x8000F018, 4);
    chip.Out(0xCFC, 0xFF000000, 4);
    EXPECT_EQ(chip.In(0xCFC, 4), 0xF8000000u);
    chip.Out(0xCFF, 0x20, 1);  // byte lane 3 alone
    EXPECT_EQ(chip.In(0xCFC, 4), 0x20000000u);
    EXPECT_EQ(chip.In(0xCFF, 1), 0x20u);
}

TEST(SimChipsetTest, DumpRoundTripsAndAcceptsLspciText) {
    SimChipset chip;
    chip.Out(0xCF8, 0x80004018, 4);
    chip.Out(0xCFC, 0x40020200, 4);
    SimChipset copy;
    std::string error;
    ASSERT_TRUE(copy.LoadDump(chip.Dump(), &error)) << error;
    EXPECT_EQ(copy.Dump(), chip.Dump());
    EXPECT_EQ(copy.ConfigRead(0, 8, 0, 0x18), 0x40020200u);

    const std::string lspci =
        "0000:01:05.0 VGA compatible controller: Some vendor (rev a1)\r\n"
        "00: de 10 81 03 07 00 b0 02 a1 00 00 03 00 f8 00 00\r\n"
        "10: 00 00 00 fd 08 00 00 e0 00 00 00 00 00 00 00 00\r\n";
    ASSERT_TRUE(copy.LoadDump(lspci, &error)) << error;
    EXPECT_EQ(copy.ConfigRead(1, 5, 0, 0x00), 0x038110DEu);
    EXPECT_EQ(copy.ConfigRead(1, 5, 0, 0x14), 0xE0000008u);
    EXPECT_EQ(copy.ConfigRead(0, 0, 1, 0x90), 0xFFFFFFFFu);  // only what the dump names
}

TEST(SimChipsetTest, MalformedDumpsAreRefusedAndChangeNothing) {
    SimChipset chip;
    const std::string before = chip.Dump();
    const std::string bad[] = {
        "",
        "00: 00 11\n",
        "00:00.0\n00: zz 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
        "00:00.0\n00: 00 00 00\n",
        "00:00.0\n08: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
        "00:00.0\n00: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
        "00:40.0\n",
        "garbage\n",
        std::string(4096, '\0'),
    };
    for (const std::string& text : bad) {
        std::string error;
        EXPECT_FALSE(chip.LoadDump(text, &error)) << text;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(chip.Dump(), before);
    }
}

TEST(SimChipsetTest, ViewsOfOneStateShareLatchAndRegistersCopiesDoNot) {
    auto state = std::make_unique<SimChipsetState>();
    SimChipset first(state.get());
    first.PowerOn();
    SimChipset second(state.get());  // a second process on the same shared memory
    const SimChipset copy = first;

    first.Out(0xCF8, 0x80004018, 4);
    EXPECT_EQ(second.In(0xCF8, 4), 0x80004018u);  // one latch for everybody
    second.Out(0xCFC, 0x60020200, 4);              // lands where the first one pointed
    EXPECT_EQ(first.ConfigRead(0, 8, 0, 0x18), 0x60020200u);
    EXPECT_EQ(copy.ConfigRead(0, 8, 0, 0x18), 0x20020200u);
    EXPECT_EQ(copy.Dump(), SimChipset().Dump());
}

TEST(SimChipsetTest, DumpWithMoreFunctionsThanTheStateHoldsIsRefused) {
    std::string dump;
    char heading[32];
    for (unsigned bus = 0; bus < 2; ++bus)
        for (unsigned device = 0; device < 32; ++device)
            for (unsigned function = 0; function < 8; ++function) {
                std::snprintf(heading, sizeof heading, "%02x:%02x.%x\n", bus, device, function);
                dump += heading;
            }
    SimChipset chip;
    const std::string before = chip.Dump();
    std::string error;
    EXPECT_FALSE(chip.LoadDump(dump, &error));
    EXPECT_NE(error.find("more functions"), std::string::npos) << error;
    EXPECT_EQ(chip.Dump(), before);
    dump.resize(dump.size() / 2);  // exactly as many as it holds
    EXPECT_TRUE(chip.LoadDump(dump, &error)) << error;
}

}  // namespace
