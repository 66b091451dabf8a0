#include "tests/native/fake_ports.h"

#include "hw/pci_registers.h"
#include "hw/port_io.h"

#include <stdexcept>

bool FakePorts::loaded = true;
SimChipset FakePorts::chipset;
std::vector<PortCall> FakePorts::calls;
int FakePorts::locksTaken = 0;
int FakePorts::locksHeld = 0;
int FakePorts::nestedLocks = 0;
bool FakePorts::portsBusy = false;
bool FakePorts::driverRunning = true;
bool FakePorts::deadAddressPort = false;

namespace {

bool Available() { return FakePorts::loaded; }

void WriteDWord(uint32_t port, uint32_t value) {
    FakePorts::calls.push_back({true, port, value, FakePorts::locksHeld > 0});
    if (!FakePorts::deadAddressPort) FakePorts::chipset.Out(port, value, 4);
}

uint32_t ReadDWord(uint32_t port) {
    const uint32_t value = FakePorts::deadAddressPort ? 0xFFFFFFFF : FakePorts::chipset.In(port, 4);
    FakePorts::calls.push_back({false, port, value, FakePorts::locksHeld > 0});
    return value;
}

void LockPorts() {
    if (FakePorts::locksHeld > 0) ++FakePorts::nestedLocks;
    if (FakePorts::portsBusy) throw std::runtime_error("ports busy");
    ++FakePorts::locksTaken;
    ++FakePorts::locksHeld;
}

void UnlockPorts() { --FakePorts::locksHeld; }

bool DriverRunning() { return FakePorts::driverRunning; }

}  // namespace

void FakePorts::Reset() {
    SetPortOperations({Available, WriteDWord, ReadDWord, LockPorts, UnlockPorts, DriverRunning});
    loaded = true;
    chipset.PowerOn();
    calls.clear();
    locksTaken = 0;
    locksHeld = 0;
    nestedLocks = 0;
    portsBusy = false;
    driverRunning = true;
    deadAddressPort = false;
    for (PciRegister& reg : RegisterTable) {
        reg.Value = 0;
        reg.Present = true;
    }
}
