// The four PCI functions whose registers Quillon tunes, identified before anything is
// written: the port path must answer, and each function must be what the register
// table takes it for. Writing timings into whatever another chipset keeps at those
// addresses could stop the machine, at every logon.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The functions by name, in the order of the table (and of every identity read), then
// the two the window reads the clocks from, which no start-up check reads.
enum class FunctionId : size_t {
    HostBridge,
    MemoryController,
    AgpBridge,
    PciBridge,
    MemoryPll,   // 00:00.3
    BootClocks,  // 00:00.5
};

// The functions the start-up checks identify.
constexpr size_t kFunctionCount = 4;
constexpr size_t kClockFunctionCount = 2;

// What a function must be to fit.
enum class FunctionRole {
    HostBridge,        // class 06/00, a device of the known chipset
    MemoryController,  // base class 05, a device of the known chipset
    PciBridge,         // class 06/04 with header layout 1
    ClockSource,       // a device of the known chipset, read for its clocks only
};

struct PciFunction {
    FunctionId Id;
    char Name[32];
    uint32_t Bus;
    uint32_t Device;
    uint32_t Function;
    // Its key in a settings file's [Machine] section.
    char MachineKey[32];
    FunctionRole Role;
    // A board may leave the function out (no AGP slot, no external PCI bridge); its
    // registers are then skipped rather than the machine refused.
    bool MayBeAbsent;
    // Whether the subsystem ids (0x2C) are read: they name the board.
    bool ReadsSubsystem;
    // As read by ReadFunctionIdentities; all zero before.
    uint32_t VendorDevice;
    uint32_t ClassRevision;
    uint32_t HeaderDword;
    uint32_t Subsystem;
};

using FunctionArray = std::array<PciFunction, kFunctionCount>;
using ClockFunctionArray = std::array<PciFunction, kClockFunctionCount>;

extern FunctionArray FunctionTable;
// 00:00.3 and 00:00.5: only the window reads them, for the clocks it shows.
extern ClockFunctionArray ClockFunctionTable;

constexpr PciFunction& Function(FunctionId id) {
    const size_t index = static_cast<size_t>(id);
    return index < kFunctionCount ? FunctionTable[index] : ClockFunctionTable[index - kFunctionCount];
}

// Whether a dword 0x00 read at the function names a device the table of known devices
// holds for it. A function is only read beyond its ids when it is known by number.
bool IsKnownAt(FunctionId id, uint32_t vendorDevice);

// Vendor neither FFFF (nothing answers) nor 0000.
bool IsPresent(const PciFunction& function);
// "00:1E.0", as the messages name a function.
std::string FunctionAddress(const PciFunction& function);

enum class PortPath {
    Works,
    DriverNotRunning,  // the port library says its driver does not run
    AddressPortDead,   // 0xCF8 does not keep what is written to it
};

// Before the first register access of a run: the library's own driver check, then the
// address port the way operating systems probe mechanism #1 (save 0xCF8, write
// 0x80000000, read it back, put the saved value back). Holds the configuration ports.
// Ports not handed yet count as a driver not running.
PortPath CheckPortPath();

// Reads dwords 0x00, 0x08 and 0x0C of every function, and 0x2C of those that read the
// subsystem, in table order, under one hold of the configuration ports. An absent
// function is read like the others: it floats high, and the count of port calls of a
// run stays the same on every machine.
void ReadFunctionIdentities();

// Empty when every function fits, else the message that names each one that does not
// with what was found there (ids, revision, class), names the chipset Quillon knows and
// says that nothing was read beyond the checks nor written.
std::string IdentityProblems();

// Registers of a function found absent are never read through nor written again.
void MarkAbsentDevices();
