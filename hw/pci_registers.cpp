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

void ReadRegister(PciRegister& reg) {
    if (!IoLibraryLoaded()) {
        reg.Value = 0;
        return;
    }
    WritePortDWord(kConfigAddressPort, ConfigAddress(reg));
    reg.Value = ReadPortDWord(kConfigDataPort);
}

void WriteRegister(const PciRegister& reg) {
    if (!IoLibraryLoaded()) return;
    WritePortDWord(kConfigAddressPort, ConfigAddress(reg));
    WritePortDWord(kConfigDataPort, reg.Value);
}

void ReadAllRegisters() {
    for (PciRegister& reg : RegisterTable) ReadRegister(reg);
}

void WriteAllRegisters() {
    for (const PciRegister& reg : RegisterTable) WriteRegister(reg);
    ReadAllRegisters();
}
