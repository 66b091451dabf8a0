#include "tests/native/fake_ports.h"

#include "hw/pci_registers.h"
#include "hw/port_io.h"

bool FakePorts::loaded = true;
SimChipset FakePorts::chipset;
std::vector<PortCall> FakePorts::calls;

void FakePorts::Reset() {
    loaded = true;
    chipset.PowerOn();
    calls.clear();
    for (PciRegister& reg : RegisterTable) reg.Value = 0;
}

bool IoLibraryLoaded() { return FakePorts::loaded; }

void WritePortDWord(uint32_t port, uint32_t value) {
    FakePorts::calls.push_back({true, port, value});
    FakePorts::chipset.Out(port, value, 4);
}

uint32_t ReadPortDWord(uint32_t port) {
    const uint32_t value = FakePorts::chipset.In(port, 4);
    FakePorts::calls.push_back({false, port, value});
    return value;
}
