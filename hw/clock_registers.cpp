#include "hw/clock_registers.h"

#include "hw/pci_functions.h"
#include "hw/pci_header.h"
#include "hw/pci_registers.h"
#include "hw/port_io.h"

namespace {

// The caller holds the ports.
uint32_t ReadAt(const PciFunction& f, uint32_t offset) {
    const PortOperations& ports = HandedPortOperations();
    ports.writeDWord(kConfigAddressPort, ConfigAddress(f.Bus, f.Device, f.Function, offset));
    return ports.readDWord(kConfigDataPort);
}

// Whatever answers at the place is asked its ids first: registers of another device
// at the same address mean something else.
bool Known(FunctionId id) {
    const PciFunction& f = Function(id);
    return IsKnownAt(id, ReadAt(f, kPciVendorDevice));
}

}  // namespace

ClockRegisters ReadClockRegisters() {
    ClockRegisters read;
    if (!HandedPortOperations().available()) return read;
    const PortsHeld held;
    if ((read.fsbPllRead = Known(FunctionId::HostBridge))) {
        read.fsbPll = ReadAt(Function(FunctionId::HostBridge), kFsbPll);
        read.fsbPllEnable = ReadAt(Function(FunctionId::HostBridge), kFsbPllEnable);
    }
    if ((read.dramConfigRead = Known(FunctionId::MemoryController)))
        read.dramConfig = ReadAt(Function(FunctionId::MemoryController), kDramConfig);
    if ((read.memoryPllRead = Known(FunctionId::MemoryPll))) {
        read.memoryPll = ReadAt(Function(FunctionId::MemoryPll), kMemoryPll);
        read.memoryPllAlternative = ReadAt(Function(FunctionId::MemoryPll), kMemoryPllAlternative);
    }
    if ((read.bootClocksRead = Known(FunctionId::BootClocks))) {
        read.bootFsbHz = ReadAt(Function(FunctionId::BootClocks), kBootFsb);
        read.bootMemoryHz = ReadAt(Function(FunctionId::BootClocks), kBootMemoryClock);
    }
    return read;
}
