// The checks a run makes before its first register access, over dumps of real machines
// (tests/data/boards) and over chipsets made to break one rule at a time.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "hw/pci_functions.h"
#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "tests/support/board_corpus.h"
#include "tests/support/board_dumps.h"
#include "tests/native/fake_ports.h"

namespace {

std::string Board(const std::string& name) { return BoardDump(QUILLON_BOARDS_DIR, name); }

// One function's identity as a dump holds it: ids, class and revision, header dword.
std::string FunctionText(const char* slot, uint32_t vendorDevice, uint32_t classRevision, uint32_t header) {
    char text[160];
    auto b = [](uint32_t v, int i) { return static_cast<unsigned>((v >> (8 * i)) & 0xFF); };
    std::snprintf(text, sizeof text,
                  "%s\n00: %02x %02x %02x %02x 00 00 00 00 %02x %02x %02x %02x %02x %02x %02x %02x\n",
                  slot, b(vendorDevice, 0), b(vendorDevice, 1), b(vendorDevice, 2), b(vendorDevice, 3),
                  b(classRevision, 0), b(classRevision, 1), b(classRevision, 2), b(classRevision, 3), b(header, 0),
                  b(header, 1), b(header, 2), b(header, 3));
    return text;
}

// The nForce2 layout, each function replaceable.
struct Layout {
    std::string host = FunctionText("00:00.0", 0x01E010DE, 0x060000C1, 0x00800000);
    std::string memory = FunctionText("00:00.1", 0x01EB10DE, 0x050000C1, 0x00800000);
    std::string agp = FunctionText("00:1e.0", 0x01E810DE, 0x060400C1, 0x00011000);
    std::string pci = FunctionText("00:08.0", 0x006C10DE, 0x060400A3, 0x00010000);
    std::string Text() const { return host + memory + agp + pci; }
};

class MachineCheckTest : public ::testing::Test {
protected:
    void SetUp() override { FakePorts::Reset(); }

    void Load(const std::string& dump) {
        std::string error;
        ASSERT_TRUE(FakePorts::chipset.LoadDump(dump, &error)) << error;
    }

    std::string Identify() {
        EXPECT_EQ(CheckPortPath(), PortPath::Works);
        ReadFunctionIdentities();
        return IdentityProblems();
    }

    bool AnyDataWrite() const {
        for (const PortCall& call : FakePorts::calls)
            if (call.write && call.port == 0xCFC) return true;
        return false;
    }
};

TEST_F(MachineCheckTest, RealNforce2BoardsFitAndTheirFieldsDecode) {
    const std::pair<const char*, uint32_t> boards[] = {{"nforce2_asus_a7n8x", 0x80AC1043},
                                                       {"nforce2_epox", 0x10001695}};
    for (const auto& [board, subsystem] : boards) {
        FakePorts::Reset();
        Load(Board(board));
        EXPECT_EQ(Identify(), "") << board;
        MarkAbsentDevices();
        for (const PciRegister& reg : RegisterTable) EXPECT_TRUE(reg.Present) << board << " " << reg.Name;
        EXPECT_EQ(Function(FunctionId::HostBridge).VendorDevice, 0x01E010DEu);
        EXPECT_EQ(Function(FunctionId::MemoryController).Subsystem, subsystem) << board;
        EXPECT_EQ(Function(FunctionId::AgpBridge).ClassRevision, 0x060400C1u);
        EXPECT_FALSE(AnyDataWrite());

        ReadAllRegisters();
        EXPECT_EQ(Register(RegisterId::DramTiming1).Value, 0x33338C0Bu) << board;
        for (const RegisterField& field : FieldCatalogue)
            EXPECT_NE(FindChoice(field), &NoChoice) << board << " " << field.Name;
    }
}

// Every board of the public listings, as the checks see it on a real board's registers:
// the chipset's own fit with every register present that the board has, and nothing of
// another chipset fits, whatever stands at the bridges' addresses.
TEST_F(MachineCheckTest, EveryListedBoardOfTheChipsetFitsAndEveryOtherIsRefused) {
    const std::string base = Board("nforce2_asus_a7n8x");
    for (const ListedBoard& board : ListedBoards(QUILLON_BOARDS_DIR, "nforce2_boards")) {
        SCOPED_TRACE(BoardLabel(board));
        // A listing that does not show both functions Quillon knows by number proves nothing.
        EXPECT_EQ(board.functions[0].listed, ListedAs::Device);
        EXPECT_EQ(board.functions[1].listed, ListedAs::Device);
        FakePorts::Reset();
        Load(ListedBoardDump(board, base));
        EXPECT_EQ(Identify(), "");
        MarkAbsentDevices();
        EXPECT_EQ(Register(RegisterId::AgpBusLatency).Present, board.functions[2].listed != ListedAs::Absent);
        EXPECT_EQ(Register(RegisterId::PciBusLatency).Present, board.functions[3].listed != ListedAs::Absent);
        EXPECT_EQ(Function(FunctionId::MemoryController).VendorDevice, board.functions[1].vendorDevice);
    }
    for (const ListedBoard& board : ListedBoards(QUILLON_BOARDS_DIR, "refused_boards")) {
        SCOPED_TRACE(BoardLabel(board));
        FakePorts::Reset();
        Load(ListedBoardDump(board, base));
        const std::string problems = Identify();
        EXPECT_EQ(problems.rfind("This machine's chipset is not the one Quillon tunes:", 0), 0u) << problems;
        EXPECT_FALSE(AnyDataWrite());
    }
}

TEST_F(MachineCheckTest, ChipsetIsKnownByNumberWhateverItsSteppingOrSouthBridge) {
    for (const char* board : {"nforce2_asus_a7n8x_rev_a2", "nforce2_mcp2a_built"}) {
        FakePorts::Reset();
        Load(Board(board));
        EXPECT_EQ(Identify(), "") << board;
        MarkAbsentDevices();
        for (const PciRegister& reg : RegisterTable) EXPECT_TRUE(reg.Present) << board << " " << reg.Name;
    }
}

TEST_F(MachineCheckTest, PreviousGenerationOfTheSameShapeIsRefusedByNumber) {
    Load(Board("nforce_abit_built"));
    EXPECT_EQ(Identify(),
              "This machine's chipset is not the one Quillon tunes:\n\n"
              "00:00.0 (host bridge): should be the nForce2 host bridge 10DE:01E0, a host bridge (class 06/00); "
              "found 10DE:01A4 revision B2, class 06/00, header layout 0.\n"
              "00:00.1 (memory controller): should be the nForce2 Memory Controller 0 10DE:01EA or the "
              "nForce2 Memory Controller 1 10DE:01EB, a memory controller (class 05); found 10DE:01AC revision "
              "B2, class 05/00, header layout 0.\n"
              "\nQuillon knows only the chipset of its table: nForce2 host bridge 10DE:01E0 at 00:00.0, "
              "nForce2 Memory Controller 0 10DE:01EA at 00:00.1, nForce2 Memory Controller 1 10DE:01EB at "
              "00:00.1.\n"
              "Nothing was read beyond these checks, and nothing was written.");
    EXPECT_FALSE(AnyDataWrite());
}

TEST_F(MachineCheckTest, OtherPcsAreRefusedNamingEachFunctionThatDoesNotFit) {
    for (const char* board : {"amd_ryzen_x370", "amd_ryzen_500_series"}) {
        FakePorts::Reset();
        Load(Board(board));
        const std::string problems = Identify();
        EXPECT_NE(problems.find("00:00.1 (memory controller): should be"), std::string::npos) << problems;
        EXPECT_NE(problems.find("found no device"), std::string::npos) << problems;
        EXPECT_NE(problems.find("00:08.0 (PCI bridge): should be a PCI-to-PCI bridge (class 06/04, header "
                                "layout 1) or absent; found 1022:14"),
                  std::string::npos)
            << problems;
        EXPECT_NE(problems.find(" revision 00, class 06/00, header layout 0."), std::string::npos) << problems;
        // A host bridge, but not the one Quillon knows; nothing answers at 00:1E.0, which fits.
        EXPECT_NE(problems.find("00:00.0 (host bridge): should be the nForce2 host bridge 10DE:01E0, a host "
                                "bridge (class 06/00); found 1022:14"),
                  std::string::npos)
            << problems;
        EXPECT_EQ(problems.find("00:1E.0"), std::string::npos) << problems;
        EXPECT_NE(problems.find("nothing was written."), std::string::npos);
        EXPECT_FALSE(AnyDataWrite());
    }
}

TEST_F(MachineCheckTest, EachRuleRefusesWhatBreaksIt) {
    struct Case {
        const char* what;
        std::string Layout::*slot;
        std::string replacement;
        const char* named;  // empty: the machine fits
        size_t count = 1;   // functions the message names
    };
    const Case cases[] = {
        {"host bridge of another class", &Layout::host, FunctionText("00:00.0", 0x01E010DE, 0x060100C1, 0), "00:00.0"},
        {"no host bridge", &Layout::host, "",
         "00:00.0 (host bridge): should be the nForce2 host bridge 10DE:01E0, a host bridge (class 06/00); "
         "found no device"},
        // The same shape from the chipset before: each function refused by its number.
        {"host bridge of the previous generation", &Layout::host,
         FunctionText("00:00.0", 0x01A410DE, 0x060000B2, 0x00800000), "found 10DE:01A4 revision B2"},
        {"memory controller of the previous generation", &Layout::memory,
         FunctionText("00:00.1", 0x01AC10DE, 0x050000B2, 0), "found 10DE:01AC revision B2"},
        // 00:00.1 is either of its two memory controllers; 00:00.4's function is not one.
        {"memory controller 0 at 00:00.1", &Layout::memory,
         FunctionText("00:00.1", 0x01EA10DE, 0x050000A2, 0x00800000), ""},
        {"another function of the known chipset at 00:00.1", &Layout::memory,
         FunctionText("00:00.1", 0x01EE10DE, 0x050000C1, 0x00800000), "00:00.1"},
        {"earlier stepping", &Layout::host, FunctionText("00:00.0", 0x01E010DE, 0x060000A1, 0x00800000), ""},
        {"memory controller of another vendor", &Layout::memory,
         FunctionText("00:00.1", 0x01EB1022, 0x050000C1, 0x00800000), "00:00.1"},
        {"function 1 not a memory controller", &Layout::memory,
         FunctionText("00:00.1", 0x01EB10DE, 0x060000C1, 0x00800000), "00:00.1"},
        {"memory controller of another subclass", &Layout::memory,
         FunctionText("00:00.1", 0x01EB10DE, 0x058000C1, 0x00800000), ""},
        {"multi-function bridge", &Layout::agp, FunctionText("00:1e.0", 0x01E810DE, 0x060400C1, 0x00810000), ""},
        {"bridge class with a plain header", &Layout::agp,
         FunctionText("00:1e.0", 0x01E810DE, 0x060400C1, 0x00000000), "00:1E.0"},
        {"another bridge class", &Layout::pci, FunctionText("00:08.0", 0x006C10DE, 0x068000A3, 0x00010000),
         "00:08.0 (PCI bridge): should be a PCI-to-PCI bridge (class 06/04, header layout 1) or absent; "
         "found 10DE:006C revision A3, class 06/80, header layout 1."},
        {"bridge reading vendor 0000", &Layout::pci, FunctionText("00:08.0", 0x00000000, 0x060400A3, 0x00010000),
         "00:08.0"},
        {"no AGP bridge", &Layout::agp, "", ""},
        {"no PCI bridge", &Layout::pci, "", ""},
    };
    for (const Case& c : cases) {
        FakePorts::Reset();
        Layout layout;
        layout.*c.slot = c.replacement;
        Load(layout.Text());
        const std::string problems = Identify();
        if (*c.named == '\0') {
            EXPECT_EQ(problems, "") << c.what;
            continue;
        }
        EXPECT_NE(problems.find(c.named), std::string::npos) << c.what << ": " << problems;
        size_t named = 0;
        for (size_t at = problems.find("\n00:"); at != std::string::npos; at = problems.find("\n00:", at + 1))
            ++named;
        EXPECT_EQ(named, c.count) << c.what << ": " << problems;
    }
}

TEST_F(MachineCheckTest, AbsentBridgeIsNeverReadThroughNorWritten) {
    Load(WithoutFunction(Board("nforce2_asus_a7n8x"), "00:1e.0"));
    EXPECT_EQ(Identify(), "");
    MarkAbsentDevices();
    EXPECT_FALSE(Register(RegisterId::AgpControllerLatency).Present);
    EXPECT_FALSE(Register(RegisterId::AgpBusLatency).Present);
    EXPECT_TRUE(Register(RegisterId::PciBusLatency).Present);
    EXPECT_TRUE(Register(RegisterId::DramTiming0).Present);

    FakePorts::calls.clear();
    ReadAllRegisters();
    Register(RegisterId::AgpBusLatency).Value = 0x40000000;
    WriteAllRegisters();
    EXPECT_EQ(FakePorts::calls.size(), 4u * 2 + 4u * 4);  // four registers: read, write, read back
    for (const PortCall& call : FakePorts::calls)
        if (call.port == 0xCF8) EXPECT_NE(call.value & 0xFFFFFF00, 0x8000F000u) << std::hex << call.value;
    EXPECT_EQ(Register(RegisterId::PciBusLatency).Value, 0x20010100u);
    EXPECT_EQ(FakePorts::chipset.ConfigRead(0, 30, 0, 0x18), 0xFFFFFFFFu);
}

TEST_F(MachineCheckTest, IdentitiesAreThirteenReadsUnderOneHold) {
    ReadFunctionIdentities();
    const uint32_t addresses[] = {0x80000000, 0x80000008, 0x8000000C, 0x80000100, 0x80000108,
                                  0x8000010C, 0x8000012C, 0x8000F000, 0x8000F008, 0x8000F00C,
                                  0x80004000, 0x80004008, 0x8000400C};
    ASSERT_EQ(FakePorts::calls.size(), 26u);
    for (size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(FakePorts::calls[2 * i], (PortCall{true, 0xCF8, addresses[i]})) << i;
        EXPECT_FALSE(FakePorts::calls[2 * i + 1].write);
        EXPECT_EQ(FakePorts::calls[2 * i + 1].port, 0xCFCu);
    }
    for (const PortCall& call : FakePorts::calls) EXPECT_TRUE(call.portsHeld);
    EXPECT_EQ(FakePorts::locksTaken, 1);
    EXPECT_EQ(FakePorts::locksHeld, 0);
}

TEST_F(MachineCheckTest, PortPathProbesTheLatchAndPutsItsValueBack) {
    FakePorts::chipset.Out(0xCF8, 0x80000190, 4);  // another program's address, mid-sequence
    EXPECT_EQ(CheckPortPath(), PortPath::Works);
    const PortCall expected[] = {{false, 0xCF8, 0x80000190},
                                 {true, 0xCF8, 0x80000000},
                                 {false, 0xCF8, 0x80000000},
                                 {true, 0xCF8, 0x80000190}};
    ASSERT_EQ(FakePorts::calls.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(FakePorts::calls[i], expected[i]) << i;
        EXPECT_TRUE(FakePorts::calls[i].portsHeld) << i;
    }
    EXPECT_EQ(FakePorts::chipset.In(0xCF8, 4), 0x80000190u);
}

TEST_F(MachineCheckTest, PortPathFailuresTouchNoDataPort) {
    FakePorts::driverRunning = false;
    EXPECT_EQ(CheckPortPath(), PortPath::DriverNotRunning);
    EXPECT_TRUE(FakePorts::calls.empty());  // the library's word is enough

    FakePorts::Reset();
    FakePorts::deadAddressPort = true;
    EXPECT_EQ(CheckPortPath(), PortPath::AddressPortDead);
    ASSERT_EQ(FakePorts::calls.size(), 4u);
    for (const PortCall& call : FakePorts::calls) EXPECT_EQ(call.port, 0xCF8u);
    EXPECT_EQ(FakePorts::locksHeld, 0);

    FakePorts::Reset();
    FakePorts::loaded = false;
    EXPECT_EQ(CheckPortPath(), PortPath::DriverNotRunning);
    EXPECT_TRUE(FakePorts::calls.empty());
}

TEST_F(MachineCheckTest, BusyPortsStopTheChecksBeforeAnyPortCall) {
    FakePorts::portsBusy = true;
    EXPECT_THROW(CheckPortPath(), std::runtime_error);
    EXPECT_THROW(ReadFunctionIdentities(), std::runtime_error);
    EXPECT_TRUE(FakePorts::calls.empty());
}

}  // namespace
