#include <gtest/gtest.h>

#include <stdexcept>

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/pci_registers.h"
#include "tests/native/fake_ports.h"

namespace {

class PciRegisterTest : public ::testing::Test {
protected:
    void SetUp() override { FakePorts::Reset(); }
};

TEST(ConfigAddressTest, ComposesMechanismOneAddresses) {
    EXPECT_EQ(ConfigAddress(RegisterTable[0]), 0x80000184u);
    EXPECT_EQ(ConfigAddress(RegisterTable[1]), 0x80000190u);
    EXPECT_EQ(ConfigAddress(RegisterTable[2]), 0x80000194u);
    EXPECT_EQ(ConfigAddress(RegisterTable[3]), 0x8000F00Cu);
    EXPECT_EQ(ConfigAddress(RegisterTable[4]), 0x8000F018u);
    EXPECT_EQ(ConfigAddress(RegisterTable[5]), 0x80004018u);
}

TEST(ConfigAddressTest, OffsetWithLowBitsAddressesContainingDoubleword) {
    EXPECT_EQ(ConfigAddress(0, 30, 0, 0x0D), 0x8000F00Cu);
    EXPECT_EQ(ConfigAddress(0, 30, 0, 0x1B), 0x8000F018u);
    EXPECT_EQ(ConfigAddress(2, 31, 7, 0xFF), 0x8002FFFCu);
}

TEST_F(PciRegisterTest, ReadAllLatchesAddressThenReadsDataInTableOrder) {
    ReadAllRegisters();
    ASSERT_EQ(FakePorts::calls.size(), 12u);
    for (size_t i = 0; i < kRegisterCount; ++i) {
        const PortCall& address = FakePorts::calls[2 * i];
        const PortCall& data = FakePorts::calls[2 * i + 1];
        EXPECT_EQ(address, (PortCall{true, 0xCF8, ConfigAddress(RegisterTable[i])}));
        EXPECT_FALSE(data.write);
        EXPECT_EQ(data.port, 0xCFCu);
        EXPECT_EQ(RegisterTable[i].Value, data.value);
    }
    EXPECT_EQ(RegisterTable[1].Value, FakePorts::chipset.ConfigRead(0, 0, 1, 0x90));
    EXPECT_EQ(RegisterTable[4].Value, FakePorts::chipset.ConfigRead(0, 30, 0, 0x18));
}

TEST_F(PciRegisterTest, WriteAllWritesSixThenReadsBackWhatTheChipsetKept) {
    ReadAllRegisters();
    FakePorts::calls.clear();
    const uint32_t timing1Before = RegisterTable[1].Value;
    RegisterTable[1].Value = 0xFFFFFFFF;        // reserved bits of DRAM Timing 1 are read-only
    RegisterTable[4].Value = 0x4F010100;        // the AGP bridge drops latency bits 2-0

    WriteAllRegisters();

    ASSERT_EQ(FakePorts::calls.size(), 24u);
    for (size_t i = 0; i < kRegisterCount; ++i) {
        EXPECT_EQ(FakePorts::calls[2 * i], (PortCall{true, 0xCF8, ConfigAddress(RegisterTable[i])}));
        EXPECT_TRUE(FakePorts::calls[2 * i + 1].write);
        EXPECT_EQ(FakePorts::calls[2 * i + 1].port, 0xCFCu);
    }
    EXPECT_EQ(FakePorts::calls[3].value, 0xFFFFFFFFu);  // the cache went out whole
    for (size_t i = 0; i < kRegisterCount; ++i) {
        EXPECT_EQ(FakePorts::calls[12 + 2 * i].port, 0xCF8u);
        EXPECT_FALSE(FakePorts::calls[12 + 2 * i + 1].write);
    }
    EXPECT_EQ(RegisterTable[1].Value, 0x77779F1Fu | (timing1Before & 0x888860E0u));
    EXPECT_EQ(RegisterTable[4].Value, 0x48010100u);
}

TEST_F(PciRegisterTest, UncoveredBitsAreWrittenBackAsRead) {
    ReadAllRegisters();
    const uint32_t alpha = RegisterTable[2].Value;
    WriteAllRegisters();
    EXPECT_EQ(RegisterTable[2].Value, alpha);
    EXPECT_EQ(FakePorts::chipset.ConfigRead(0, 0, 1, 0x94), alpha);
}

TEST_F(PciRegisterTest, WithoutLibraryReadsZeroAndNeverTouchesPorts) {
    ReadAllRegisters();
    FakePorts::loaded = false;
    FakePorts::calls.clear();
    RegisterTable[3].Value = 0x1234;

    ReadAllRegisters();
    for (const PciRegister& reg : RegisterTable) EXPECT_EQ(reg.Value, 0u) << reg.Name;

    for (PciRegister& reg : RegisterTable) reg.Value = 0xABCDEF01;
    WriteAllRegisters();
    for (const PciRegister& reg : RegisterTable) EXPECT_EQ(reg.Value, 0u) << reg.Name;
    EXPECT_TRUE(FakePorts::calls.empty());
    EXPECT_NE(FakePorts::chipset.ConfigRead(0, 0, 1, 0x90), 0xABCDEF01u);
}

TEST_F(PciRegisterTest, EverySequenceHoldsThePortsOnceForItsWholeLength) {
    ReadAllRegisters();
    EXPECT_EQ(FakePorts::locksTaken, 1);
    WriteAllRegisters();  // the read-back belongs to the same hold
    EXPECT_EQ(FakePorts::locksTaken, 2);
    ReadRegister(RegisterTable[2]);
    WriteRegister(RegisterTable[2]);
    EXPECT_EQ(FakePorts::locksTaken, 4);
    EXPECT_EQ(FakePorts::locksHeld, 0);
    ASSERT_EQ(FakePorts::calls.size(), 12u + 24u + 2u + 2u);
    for (const PortCall& call : FakePorts::calls) EXPECT_TRUE(call.portsHeld);
}

TEST_F(PciRegisterTest, BusyPortsThrowBeforeAnyTrafficAndLeaveTheCache) {
    ReadAllRegisters();
    FakePorts::calls.clear();
    FakePorts::locksTaken = 0;
    const SimChipset before = FakePorts::chipset;
    FakePorts::portsBusy = true;
    RegisterTable[1].Value = 0x12345678;

    EXPECT_THROW(WriteAllRegisters(), std::runtime_error);
    EXPECT_THROW(ReadAllRegisters(), std::runtime_error);
    EXPECT_THROW(ReadRegister(RegisterTable[1]), std::runtime_error);
    EXPECT_THROW(WriteRegister(RegisterTable[1]), std::runtime_error);
    EXPECT_TRUE(FakePorts::calls.empty());
    EXPECT_EQ(RegisterTable[1].Value, 0x12345678u);
    EXPECT_EQ(FakePorts::chipset.Dump(), before.Dump());

    FakePorts::loaded = false;  // no traffic, nothing to hold
    EXPECT_NO_THROW(WriteAllRegisters());
    EXPECT_EQ(FakePorts::locksTaken, 0);
    EXPECT_EQ(FakePorts::locksHeld, 0);
}

// A silent apply's read, load and write as one job: the lock is taken once, every
// transfer inside it runs under it, and the sequences inside take nothing more.
TEST_F(PciRegisterTest, OneHoldAroundSeveralSequencesLocksOnce) {
    {
        const PortsHeld apply;
        ReadAllRegisters();
        Register(RegisterId::PciBusLatency).Value = 0x40000000;
        {
            const PortsHeld nested;
            WriteRegister(Register(RegisterId::PciBusLatency));
        }
        EXPECT_EQ(FakePorts::locksHeld, 1) << "a nested hold released the lock";
        WriteAllRegisters();
    }
    EXPECT_EQ(FakePorts::locksTaken, 1);
    EXPECT_EQ(FakePorts::nestedLocks, 0);
    EXPECT_EQ(FakePorts::locksHeld, 0);
    ASSERT_EQ(FakePorts::calls.size(), 12u + 2u + 24u);
    for (const PortCall& call : FakePorts::calls) EXPECT_TRUE(call.portsHeld);

    ReadAllRegisters();  // and a sequence alone still holds for itself
    EXPECT_EQ(FakePorts::locksTaken, 2);
}

TEST_F(PciRegisterTest, HoldOnBusyPortsThrowsHoldingNothing) {
    FakePorts::portsBusy = true;
    EXPECT_THROW(PortsHeld(), std::runtime_error);
    EXPECT_EQ(FakePorts::locksHeld, 0);
    FakePorts::portsBusy = false;
    {
        const PortsHeld held;  // the failed hold left no depth behind
        EXPECT_EQ(FakePorts::locksHeld, 1);
    }
    EXPECT_EQ(FakePorts::locksHeld, 0);

    FakePorts::loaded = false;  // no ports: nothing to hold, and nothing thrown
    FakePorts::portsBusy = true;
    EXPECT_NO_THROW(PortsHeld());
    EXPECT_EQ(FakePorts::locksTaken, 1);
}

TEST_F(PciRegisterTest, AbsentBridgeIsNeverReadNorWritten) {
    PciRegister& agpBus = Register(RegisterId::AgpBusLatency);
    PciRegister& agpController = Register(RegisterId::AgpControllerLatency);
    agpBus.Present = agpController.Present = false;
    agpBus.Value = 0x11223344;
    ReadAllRegisters();
    WriteAllRegisters();
    ASSERT_EQ(FakePorts::calls.size(), 8u + 8u + 8u);  // four registers, three passes
    for (const PortCall& call : FakePorts::calls) {
        if (call.port != 0xCF8) continue;
        EXPECT_NE(call.value, ConfigAddress(agpBus));
        EXPECT_NE(call.value, ConfigAddress(agpController));
    }
    EXPECT_EQ(agpBus.Value, 0x11223344u);
}

TEST(RegisterTableTest, RegistersByNameAndTheirSections) {
    EXPECT_EQ(ConfigAddress(Register(RegisterId::DramTiming1)), 0x80000190u);
    EXPECT_EQ(ConfigAddress(Register(RegisterId::AgpControllerLatency)), 0x8000F00Cu);
    EXPECT_EQ(ConfigAddress(Register(RegisterId::PciBusLatency)), 0x80004018u);
    EXPECT_STREQ(Register(RegisterId::DramTiming0).Section, "DRAM");
    EXPECT_STREQ(Register(RegisterId::DramTiming1).Section, "DRAM");
    EXPECT_STREQ(Register(RegisterId::DramAlphaTiming).Section, "DRAM_ALPHA");
    EXPECT_STREQ(Register(RegisterId::AgpBusLatency).Section, "AGP");
    EXPECT_STREQ(Register(RegisterId::PciBusLatency).Section, "PCI");
}

TEST(RegisterTableTest, FirstNameKeepsItsTrailingBlank) {
    EXPECT_STREQ(RegisterTable[0].Name, "DRAM Timing 0 ");
}

}  // namespace

namespace {

TEST(HexTextTest, FixedWidthUpperCaseAndFunctionAddresses) {
    EXPECT_EQ(HexText(0x1e, 2), "1E");
    EXPECT_EQ(HexText(0, 8), "00000000");
    EXPECT_EQ(HexText(0xFFFFFFFF, 8), "FFFFFFFF");
    EXPECT_EQ(HexText(0x12345, 4), "2345") << "only the low digits";
    EXPECT_EQ(DecimalText(7, 2), "07");
    EXPECT_EQ(DecimalText(2026, 2), "2026");
    EXPECT_EQ(PciFunctionText(0, 30, 0), "00:1E.0");
    EXPECT_EQ(PciFunctionText(1, 8, 1), "01:08.1");
}

TEST(HexTextTest, DecimalTextOfEveryWidth) {
    EXPECT_EQ(DecimalText(0), "0");
    EXPECT_EQ(DecimalText(0, 4), "0000");
    EXPECT_EQ(DecimalText(10), "10") << "a zero digit inside the number";
    EXPECT_EQ(DecimalText(4294967295u), "4294967295") << "ten digits, the most a value has";
    EXPECT_EQ(DecimalText(59, 2), "59");
}

TEST(ConcatTest, JoinsPiecesOfEveryKindInOrder) {
    const std::string owned = "owned";
    EXPECT_EQ(Concat({}), "");
    EXPECT_EQ(Concat({"a", owned, std::string("temp"), "", "z"}), "aownedtempz");
    const std::string longer(100, 'x');
    EXPECT_EQ(Concat({longer, longer}), std::string(200, 'x'));
}

}  // namespace
