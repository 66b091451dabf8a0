#include "hw/pci_registers.h"
#include "hw/port_io.h"

namespace {

constexpr uint32_t kMemoryController = 0;  // bus 0, device 0, function 1
constexpr uint32_t kAgpBridge = 30;
constexpr uint32_t kPciBridge = 8;

// The AGP bridge's latency timer is byte 1 of its header doubleword; each bridge's
// secondary latency timer is byte 3 of its bus-number doubleword.
constexpr RegisterArray kRegisterLayout = {{
    {RegisterId::DramTiming0, "DRAM Timing 0 ", 0, kMemoryController, 1, kDramTiming0, "DRAM", 0, 0, true},
    {RegisterId::DramTiming1, "DRAM Timing 1", 0, kMemoryController, 1, kDramTiming1, "DRAM", 0, 0, true},
    {RegisterId::DramAlphaTiming, "DRAM Alpha Timing", 0, kMemoryController, 1, kDramAlphaTiming,
     "DRAM_ALPHA", 0, 0, true},
    {RegisterId::AgpControllerLatency, "AGP Controller Latency", 0, kAgpBridge, 0, kPciHeaderDword,
     "AGP", 0, 0, true},
    {RegisterId::AgpBusLatency, "AGP Bus Latency", 0, kAgpBridge, 0, kPciBridgeBusNumbers, "AGP", 0, 0,
     true},
    {RegisterId::PciBusLatency, "PCI Bus Latency", 0, kPciBridge, 0, kPciBridgeBusNumbers, "PCI", 0, 0,
     true},
}};

constexpr bool EveryRecordAtItsId(const RegisterArray& table) {
    for (size_t i = 0; i < table.size(); ++i)
        if (static_cast<size_t>(table[i].Id) != i) return false;
    return true;
}
static_assert(EveryRecordAtItsId(kRegisterLayout), "a register record is not at its id's place");

}  // namespace

RegisterArray RegisterTable = kRegisterLayout;

uint32_t ConfigAddress(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset) {
    return kConfigEnable | (bus << 16) | (device << 11) | (function << 8) | (offset & ~uint32_t{3});
}

uint32_t ConfigAddress(const PciRegister& reg) {
    return ConfigAddress(reg.Bus, reg.Device, reg.Function, reg.Offset);
}

namespace {

bool NoPorts() { return false; }

// Until the runner hands its operations, the ports are unavailable: nothing can reach
// the hardware by accident.
PortOperations ports = {NoPorts, nullptr, nullptr, nullptr, nullptr, nullptr};

// Holds of the ports alive on this thread (the program has one). The depth is counted
// here rather than left to the lock's own recursion, so that every lock handed in (a
// fake's, one that does nothing) sees one take and one release per outermost hold.
int holdDepth = 0;

// The address port is written before each data access, with no other port traffic
// between the two; the caller holds the ports.
void ReadHeld(PciRegister& reg) {
    if (!reg.Present) return;
    ports.writeDWord(kConfigAddressPort, ConfigAddress(reg));
    reg.Value = reg.LastRead = ports.readDWord(kConfigDataPort);
}

void WriteHeld(const PciRegister& reg) {
    if (!reg.Present) return;
    ports.writeDWord(kConfigAddressPort, ConfigAddress(reg));
    ports.writeDWord(kConfigDataPort, reg.Value);
}

void ClearAllValues() {
    for (PciRegister& reg : RegisterTable) reg.Value = reg.LastRead = 0;
}

}  // namespace

void SetPortOperations(const PortOperations& operations) { ports = operations; }

const PortOperations& HandedPortOperations() { return ports; }

PortsHeld::PortsHeld() : holds_(ports.available()) {
    if (!holds_) return;
    if (holdDepth == 0) ports.lockPorts();  // throws holding nothing
    ++holdDepth;
}

PortsHeld::~PortsHeld() {
    if (holds_ && --holdDepth == 0) ports.unlockPorts();
}

void ReadRegister(PciRegister& reg) {
    if (!ports.available()) {
        reg.Value = reg.LastRead = 0;
        return;
    }
    const PortsHeld held;
    ReadHeld(reg);
}

void WriteRegister(const PciRegister& reg) {
    if (!ports.available()) return;
    const PortsHeld held;
    WriteHeld(reg);
}

void ReadAllRegisters() {
    if (!ports.available()) return ClearAllValues();
    const PortsHeld held;
    for (PciRegister& reg : RegisterTable) ReadHeld(reg);
}

bool RegistersAsLastRead() {
    if (!ports.available()) return true;
    const PortsHeld held;
    bool unchanged = true;
    for (const PciRegister& reg : RegisterTable) {
        if (!reg.Present) continue;
        ports.writeDWord(kConfigAddressPort, ConfigAddress(reg));
        unchanged = ports.readDWord(kConfigDataPort) == reg.LastRead && unchanged;
    }
    return unchanged;
}

// The read-back belongs to the same hold: what we read must be what we wrote, not what
// another process wrote in between.
void WriteAllRegisters() {
    if (!ports.available()) return ClearAllValues();
    const PortsHeld held;
    for (const PciRegister& reg : RegisterTable) WriteHeld(reg);
    for (PciRegister& reg : RegisterTable) ReadHeld(reg);
}
