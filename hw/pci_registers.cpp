#include "hw/pci_registers.h"
#include "hw/port_io.h"

// Memory controller: bus 0, device 0, function 1. Register 4 is the header doubleword
// whose byte 1 is the AGP bridge's latency timer; 5 and 6 are the bridges' doubleword at
// 0x18, whose byte 3 is the secondary latency timer.
PciRegister RegisterTable[kRegisterCount] = {
    {"DRAM Timing 0 ", 0, 0, 1, 0x84, 0},
    {"DRAM Timing 1", 0, 0, 1, 0x90, 0},
    {"DRAM Alpha Timing", 0, 0, 1, 0x94, 0},
    {"AGP Controller Latency", 0, 30, 0, 0x0C, 0},
    {"AGP Bus Latency", 0, 30, 0, 0x18, 0},
    {"PCI Bus Latency", 0, 8, 0, 0x18, 0},
};

uint32_t ConfigAddress(const PciRegister& reg) {
    return kConfigEnable | (reg.Bus << 16) | (reg.Device << 11) | (reg.Function << 8) |
           (reg.Offset & ~uint32_t{3});
}

namespace {

bool NoPorts() { return false; }

// Until the runner hands its operations, the ports are unavailable: nothing can reach
// the hardware by accident.
PortOperations ports = {NoPorts, nullptr, nullptr, nullptr, nullptr};

// Holds the configuration ports for the life of one sequence of port traffic.
class ConfigPortsHeld {
public:
    ConfigPortsHeld() { ports.lockPorts(); }
    ~ConfigPortsHeld() { ports.unlockPorts(); }
    ConfigPortsHeld(const ConfigPortsHeld&) = delete;
    ConfigPortsHeld& operator=(const ConfigPortsHeld&) = delete;
};

// The address port is written before each data access, with no other port traffic
// between the two; the caller holds the ports.
void ReadHeld(PciRegister& reg) {
    ports.writeDWord(kConfigAddressPort, ConfigAddress(reg));
    reg.Value = ports.readDWord(kConfigDataPort);
}

void WriteHeld(const PciRegister& reg) {
    ports.writeDWord(kConfigAddressPort, ConfigAddress(reg));
    ports.writeDWord(kConfigDataPort, reg.Value);
}

void ClearAllValues() {
    for (PciRegister& reg : RegisterTable) reg.Value = 0;
}

}  // namespace

void SetPortOperations(const PortOperations& operations) { ports = operations; }

void ReadRegister(PciRegister& reg) {
    if (!ports.available()) {
        reg.Value = 0;
        return;
    }
    const ConfigPortsHeld held;
    ReadHeld(reg);
}

void WriteRegister(const PciRegister& reg) {
    if (!ports.available()) return;
    const ConfigPortsHeld held;
    WriteHeld(reg);
}

void ReadAllRegisters() {
    if (!ports.available()) return ClearAllValues();
    const ConfigPortsHeld held;
    for (PciRegister& reg : RegisterTable) ReadHeld(reg);
}

// The read-back belongs to the same hold: what we read must be what we wrote, not what
// another process wrote in between.
void WriteAllRegisters() {
    if (!ports.available()) return ClearAllValues();
    const ConfigPortsHeld held;
    for (const PciRegister& reg : RegisterTable) WriteHeld(reg);
    for (PciRegister& reg : RegisterTable) ReadHeld(reg);
}
