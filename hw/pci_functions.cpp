#include "hw/pci_functions.h"

#include "hw/concat.h"
#include "hw/hex_text.h"

#include "hw/pci_header.h"
#include "hw/pci_registers.h"
#include "hw/port_io.h"

namespace {

constexpr FunctionArray kFunctionLayout = {{
    {FunctionId::HostBridge, "host bridge", 0, 0, 0, "HostBridge", FunctionRole::HostBridge, false, false,
     0, 0, 0, 0},
    {FunctionId::MemoryController, "memory controller", 0, 0, 1, "MemoryController",
     FunctionRole::MemoryController, false, true, 0, 0, 0, 0},
    {FunctionId::AgpBridge, "AGP bridge", 0, 30, 0, "AgpBridge", FunctionRole::PciBridge, true, false, 0, 0,
     0, 0},
    {FunctionId::PciBridge, "PCI bridge", 0, 8, 0, "PciBridge", FunctionRole::PciBridge, true, false, 0, 0, 0,
     0},
}};

constexpr bool EveryFunctionAtItsId(const FunctionArray& table) {
    for (size_t i = 0; i < table.size(); ++i)
        if (static_cast<size_t>(table[i].Id) != i) return false;
    return true;
}
static_assert(EveryFunctionAtItsId(kFunctionLayout), "a function record is not at its id's place");

constexpr ClockFunctionArray kClockFunctionLayout = {{
    {FunctionId::MemoryPll, "memory PLL", 0, 0, 3, "", FunctionRole::ClockSource, true, false, 0, 0, 0, 0},
    {FunctionId::BootClocks, "boot clocks", 0, 0, 5, "", FunctionRole::ClockSource, true, false, 0, 0, 0, 0},
}};

constexpr bool EveryClockFunctionAtItsId(const ClockFunctionArray& table) {
    for (size_t i = 0; i < table.size(); ++i)
        if (static_cast<size_t>(table[i].Id) != kFunctionCount + i) return false;
    return true;
}
static_assert(EveryClockFunctionAtItsId(kClockFunctionLayout), "a clock function is not at its id's place");

// The chipset Quillon writes to, by number: another chipset of the same shape (the
// maker's previous generation, 10DE:01A4 with 10DE:01AB/01AC/01AD at 00:00.1) keeps
// other things at 00:00.1+84/90/94. Every stepping of a device counts: the six
// registers sit at the same offsets on all. The rows follow the boards in public
// listings (tests/data/boards/nforce2_boards.txt), not the few dumps kept here.
struct KnownDevice {
    FunctionId Function;
    uint32_t VendorDevice;  // as dword 0x00 reads: device in the high half
    char Name[32];
};

constexpr KnownDevice kKnownDevices[] = {
    // pci.ids (Debian package pci.ids 0.0~2023.04.11): 10de 01e0 "nForce2 IGP2", which
    // lspci then called "nForce2 AGP (different version?)"; at 00:00.0 of every nForce2
    // board of the listings, steppings A2 and C1. memtest86 5.01 (controller.c) knows
    // the chipset by this device alone.
    {FunctionId::HostBridge, 0x01E010DE, "nForce2 host bridge"},
    // At 00:00.1 either memory controller: of the 56 boards listed, 22 show 01EA and 34
    // 01EB, at steppings A2 and C1, behind the same host bridge and on the same board
    // models (ASUS A7N8X, subsystem 1043:80AC, has both). The tools trusted with this
    // chipset bind it by the host bridge and take 00:00.1 by its slot, whichever of the
    // two answers there: memtest86 5.01 (controller.c, poll_timings_nf2) reads its
    // timings at +90/+A0/+84, Linux's AGP driver (nvidia-agp.c) takes PCI_DEVFN(0, 1).
    // pci.ids: 10de 01ea "nForce2 Memory Controller 0"; in numbers (lspci -vvn) on a
    // Shuttle board, subsystem 1297:0531, Ubuntu Forums, "Generic Bt878 TV tuner + FM
    // with PAL_BG LG tuner", 1 January 2006.
    {FunctionId::MemoryController, 0x01EA10DE, "nForce2 Memory Controller 0"},
    // pci.ids: 10de 01eb "nForce2 Memory Controller 1"; in numbers in the three dumps of
    // tests/data/boards/nforce2_*.txt and in lspci -nn listings (ASUS A7N8X-E, Ubuntu
    // Forums, "Graphics Card", 18 January 2012).
    {FunctionId::MemoryController, 0x01EB10DE, "nForce2 Memory Controller 1"},
    // pci.ids: 10de 01ed "nForce2 Memory Controller 3" and 10de 01ef "nForce2 Memory
    // Controller 5", at 00:00.3 and 00:00.5 of the full dumps of tests/data/boards
    // (nforce2_*_full.txt). Linux's cpufreq-nforce2 finds the boot FSB at 10DE:01EF.
    {FunctionId::MemoryPll, 0x01ED10DE, "nForce2 memory PLL"},
    {FunctionId::BootClocks, 0x01EF10DE, "nForce2 boot clocks"},
};

// Any value with bits on both sides of the address fields' boundaries: a port that
// keeps it is a real latch, not a bus floating high or low.
constexpr uint32_t kProbeAddress = kConfigEnable;

uint32_t Vendor(const PciFunction& f) { return f.VendorDevice & kPciVendorMask; }
uint32_t ClassCode(const PciFunction& f) { return f.ClassRevision >> kPciSubclassShift; }
uint32_t BaseClass(const PciFunction& f) { return f.ClassRevision >> kPciBaseClassShift; }
uint32_t HeaderLayout(const PciFunction& f) {
    return (f.HeaderDword >> kPciHeaderTypeShift) & kPciHeaderLayoutMask;
}

// The caller holds the ports.
uint32_t ReadHeld(const PciFunction& f, uint32_t offset) {
    const PortOperations& ports = HandedPortOperations();
    ports.writeDWord(kConfigAddressPort, ConfigAddress(f.Bus, f.Device, f.Function, offset));
    return ports.readDWord(kConfigDataPort);
}

bool IsKnownDevice(const PciFunction& f) { return IsKnownAt(f.Id, f.VendorDevice); }

bool IsChecked(FunctionId id) { return static_cast<size_t>(id) < kFunctionCount; }

std::string VendorDeviceText(uint32_t vendorDevice) {
    return Concat({HexText(vendorDevice & kPciVendorMask, 4), ":", HexText(vendorDevice >> kPciDeviceShift, 4)});
}

// "the nForce2 host bridge 10DE:01E0", each known device of the function, joined by "or".
std::string KnownDevicesOf(FunctionId id) {
    std::string text;
    for (const KnownDevice& known : kKnownDevices) {
        if (known.Function != id) continue;
        if (!text.empty()) text += " or ";
        text += Concat({"the ", known.Name, " ", VendorDeviceText(known.VendorDevice)});
    }
    return text;
}

std::string KnownChipsetText() {
    std::string text;
    for (const KnownDevice& known : kKnownDevices) {
        if (!IsChecked(known.Function)) continue;  // never a reason to refuse a machine
        if (!text.empty()) text += ", ";
        text += Concat({known.Name, " ", VendorDeviceText(known.VendorDevice), " at ",
                        FunctionAddress(Function(known.Function))});
    }
    return text;
}

bool Fits(const PciFunction& f) {
    if (!IsPresent(f)) return f.MayBeAbsent && Vendor(f) == kNoVendor;
    switch (f.Role) {
    case FunctionRole::HostBridge:
        return ClassCode(f) == kClassHostBridge && IsKnownDevice(f);
    case FunctionRole::MemoryController:
        return BaseClass(f) == kBaseClassMemoryController && IsKnownDevice(f);
    case FunctionRole::PciBridge:
        return ClassCode(f) == kClassPciBridge && HeaderLayout(f) == kHeaderLayoutBridge;
    case FunctionRole::ClockSource:
        return IsKnownDevice(f);
    }
    return false;
}

std::string Expected(const PciFunction& f) {
    switch (f.Role) {
    case FunctionRole::HostBridge:
        return Concat({KnownDevicesOf(f.Id), ", a host bridge (class 06/00)"});
    case FunctionRole::MemoryController:
        return Concat({KnownDevicesOf(f.Id), ", a memory controller (class 05)"});
    case FunctionRole::PciBridge:
        return "a PCI-to-PCI bridge (class 06/04, header layout 1) or absent";
    case FunctionRole::ClockSource:
        return KnownDevicesOf(f.Id);
    }
    return std::string();
}

std::string Found(const PciFunction& f) {
    if (Vendor(f) == kNoVendor) return "no device";
    return Concat({VendorDeviceText(f.VendorDevice), " revision ", HexText(f.ClassRevision & kPciRevisionMask, 2),
                   ", class ", HexText(BaseClass(f), 2),
                   "/", HexText(ClassCode(f) & 0xFF, 2), ", header layout ", DecimalText(HeaderLayout(f))});
}

}  // namespace

FunctionArray FunctionTable = kFunctionLayout;
ClockFunctionArray ClockFunctionTable = kClockFunctionLayout;

bool IsKnownAt(FunctionId id, uint32_t vendorDevice) {
    for (const KnownDevice& known : kKnownDevices)
        if (known.Function == id && known.VendorDevice == vendorDevice) return true;
    return false;
}

bool IsPresent(const PciFunction& function) {
    const uint32_t vendor = Vendor(function);
    return vendor != kNoVendor && vendor != 0;
}

std::string FunctionAddress(const PciFunction& function) {
    return PciFunctionText(function.Bus, function.Device, function.Function);
}

PortPath CheckPortPath() {
    const PortOperations& ports = HandedPortOperations();
    if (!ports.available()) return PortPath::DriverNotRunning;
    const ConfigPortsHeld held;
    if (ports.driverRunning != nullptr && !ports.driverRunning()) return PortPath::DriverNotRunning;
    // Another program may have left its address in the latch between its own two
    // accesses; it gets it back.
    const uint32_t saved = ports.readDWord(kConfigAddressPort);
    ports.writeDWord(kConfigAddressPort, kProbeAddress);
    const uint32_t readBack = ports.readDWord(kConfigAddressPort);
    ports.writeDWord(kConfigAddressPort, saved);
    return readBack == kProbeAddress ? PortPath::Works : PortPath::AddressPortDead;
}

void ReadFunctionIdentities() {
    if (!HandedPortOperations().available()) return;
    const ConfigPortsHeld held;
    for (PciFunction& f : FunctionTable) {
        f.VendorDevice = ReadHeld(f, kPciVendorDevice);
        f.ClassRevision = ReadHeld(f, kPciClassRevision);
        f.HeaderDword = ReadHeld(f, kPciHeaderDword);
        if (f.ReadsSubsystem) f.Subsystem = ReadHeld(f, kPciSubsystem);
    }
}

std::string IdentityProblems() {
    std::string problems;
    for (const PciFunction& f : FunctionTable) {
        if (Fits(f)) continue;
        problems += Concat({FunctionAddress(f), " (", f.Name, "): should be ", Expected(f), "; found ",
                            Found(f), ".\n"});
    }
    if (problems.empty()) return problems;
    return Concat({"This machine's chipset is not the one Quillon tunes:\n\n", problems,
                   "\nQuillon knows only the chipset of its table: ", KnownChipsetText(),
                   ".\nNothing was read beyond these checks, and nothing was written."});
}

void MarkAbsentDevices() {
    for (const PciFunction& f : FunctionTable) {
        if (!f.MayBeAbsent) continue;
        for (PciRegister& reg : RegisterTable)
            if (reg.Bus == f.Bus && reg.Device == f.Device && reg.Function == f.Function)
                reg.Present = IsPresent(f);
    }
}
