// The binding and the register table against the simulated chipset DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "hw/io_library.h"
#include "hw/pci_registers.h"
#include "sim/chipset.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/support/text_lines.h"

namespace {

class SimDllTest : public SimulationTest {
protected:
    SimDllTest() : SimulationTest("hw") {}
    void SetUp() override {
        NameFilesToThisProcess();
        SetPortOperations(kIoLibraryPorts);
    }
    void TearDown() override { FreeIoLibrary(); }
};

TEST_F(SimDllTest, LoadsOnceAndFreesOnce) {
    ASSERT_TRUE(LoadIoLibrary());
    EXPECT_TRUE(IoLibraryLoaded());
    ASSERT_TRUE(LoadIoLibrary());
    FreeIoLibrary();  // one release undoes the one real load
    EXPECT_FALSE(IoLibraryLoaded());
    EXPECT_EQ(GetModuleHandleA("io.dll"), nullptr);
    FreeIoLibrary();
    EXPECT_FALSE(IoLibraryLoaded());
}

TEST_F(SimDllTest, ExportsAllThirteenNamesUndecorated) {
    HMODULE io = LoadLibraryA("io.dll");
    ASSERT_NE(io, nullptr);
    for (const char* name : {"PortOut", "PortWordOut", "PortDWordOut", "PortIn", "PortWordIn",
                             "PortDWordIn", "SetPortBit", "ClrPortBit", "NotPortBit", "GetPortBit",
                             "RightPortShift", "LeftPortShift", "IsDriverInstalled"})
        EXPECT_NE(GetProcAddress(io, name), nullptr) << name;
    FreeLibrary(io);
}

TEST_F(SimDllTest, WriteAllTrafficAndReadBackOnThePowerOnChipset) {
    ASSERT_TRUE(LoadIoLibrary());
    ReadAllRegisters();
    SimChipset powerOn;
    EXPECT_EQ(RegisterTable[0].Value, powerOn.ConfigRead(0, 0, 1, 0x84));
    EXPECT_EQ(RegisterTable[4].Value >> 24, 0x48u);  // a latency no choice names

    RegisterTable[4].Value = (RegisterTable[4].Value & 0x00FFFFFF) | 0xFF000000;
    RegisterTable[1].Value |= 0x80000000;  // reserved, read-only
    const uint32_t timing1Written = RegisterTable[1].Value;
    WriteAllRegisters();
    EXPECT_EQ(RegisterTable[4].Value >> 24, 0xF8u);
    EXPECT_EQ(RegisterTable[1].Value, timing1Written & 0x7FFFFFFF);

    const std::vector<std::string> log = Lines(ReadWholeFile(log_));
    ASSERT_EQ(log.size(), 12u + 24u);
    EXPECT_EQ(log[0], "PortDWordOut 0CF8 80000184");
    EXPECT_EQ(log[1].substr(0, 17), "PortDWordIn 0CFC ");
    EXPECT_EQ(log[12], "PortDWordOut 0CF8 80000184");
    EXPECT_EQ(log[20], "PortDWordOut 0CF8 8000F018");
    EXPECT_EQ(log[21], "PortDWordOut 0CFC FF010100");
    EXPECT_EQ(log[24], "PortDWordOut 0CF8 80000184");
    EXPECT_EQ(log[35].substr(0, 17), "PortDWordIn 0CFC ");
}

TEST_F(SimDllTest, StateSurvivesBetweenLoads) {
    ASSERT_TRUE(LoadIoLibrary());
    ReadAllRegisters();
    RegisterTable[5].Value = (RegisterTable[5].Value & 0x00FFFFFF) | 0x60000000;
    WriteAllRegisters();
    FreeIoLibrary();
    RegisterTable[5].Value = 0;

    ASSERT_TRUE(LoadIoLibrary());
    ReadAllRegisters();
    EXPECT_EQ(RegisterTable[5].Value >> 24, 0x60u);
    EXPECT_NE(ReadWholeFile(state_).find("00:08.0"), std::string::npos);
}

TEST_F(SimDllTest, MalformedStateFallsBackToPowerOn) {
    WriteWholeFile(state_, "this is not a dump\n\x01\x02\n");
    ASSERT_TRUE(LoadIoLibrary());
    ReadAllRegisters();
    SimChipset powerOn;
    EXPECT_EQ(RegisterTable[2].Value, powerOn.ConfigRead(0, 0, 1, 0x94));
}

TEST_F(SimDllTest, DumpFromAnotherMachineIsRehearsed) {
    WriteWholeFile(state_,
                   "00:08.0 PCI bridge: Example\n"
                   "00: de 10 6c 00 07 00 a0 00 a3 00 04 06 00 00 01 00\n"
                   "10: 00 00 00 00 00 00 00 00 00 02 02 a0 00 00 00 00\n");
    ASSERT_TRUE(LoadIoLibrary());
    ReadAllRegisters();
    EXPECT_EQ(RegisterTable[5].Value, 0xA0020200u);
    EXPECT_EQ(RegisterTable[1].Value, 0xFFFFFFFFu);  // the dump has no memory controller
}

}  // namespace
