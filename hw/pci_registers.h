// The six chipset registers Quillon knows, each with its PCI location and one cached
// value, and the transfers between that cache and the hardware (configuration
// mechanism #1: address latch at 0xCF8, data at 0xCFC).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "hw/pci_header.h"

// The registers by name, in the order of every read-all and write-all. Each record of
// the table carries its own id, and the table is checked against it when it is built.
enum class RegisterId : size_t {
    DramTiming0,
    DramTiming1,
    DramAlphaTiming,
    AgpControllerLatency,
    AgpBusLatency,
    PciBusLatency,
};

constexpr size_t kRegisterCount = 6;

struct PciRegister {
    RegisterId Id;
    char Name[32];
    uint32_t Bus;
    uint32_t Device;
    uint32_t Function;
    uint32_t Offset;
    // The settings-file section that holds the register's fields: related timings stay
    // together in the file a user edits by hand.
    char Section[32];
    uint32_t Value;  // cached contents; 0 until first read
    // What the hardware held at the last read: the "before" of the next write.
    uint32_t LastRead;
    // False once the device holding the register has been found absent: it is then
    // never read through nor written.
    bool Present;
};

using RegisterArray = std::array<PciRegister, kRegisterCount>;

// In the order of every read-all and write-all.
extern RegisterArray RegisterTable;

constexpr PciRegister& Register(RegisterId id) { return RegisterTable[static_cast<size_t>(id)]; }

// The configuration address of a register's containing doubleword.
uint32_t ConfigAddress(const PciRegister& reg);
// The configuration address of any doubleword (its offset's low two bits dropped).
uint32_t ConfigAddress(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset);

// Every transfer goes through the port operations handed with SetPortOperations
// (hw/port_io.h) and holds the configuration ports for its whole length; when they stay
// busy the lock's error propagates with nothing transferred. Registers of an absent
// device are skipped: their cached values stay as they are.

// Holds the configuration ports for its life, so that several transfers (a read-all,
// the change of the cache, the write-all) are one job no other Quillon can come between.
// Holds nest: only the outermost takes and releases the lock, so the transfers inside
// it hold nothing more. Nothing is held while the ports are unavailable. Throws the
// lock's error, holding nothing, when the ports stay busy.
class PortsHeld {
public:
    PortsHeld();
    ~PortsHeld();
    PortsHeld(const PortsHeld&) = delete;
    PortsHeld& operator=(const PortsHeld&) = delete;

private:
    bool holds_;
};

// Reads one register into its cached value (0 while the ports are unavailable).
void ReadRegister(PciRegister& reg);
// Writes one register's cached value (skipped while the ports are unavailable).
void WriteRegister(const PciRegister& reg);

void ReadAllRegisters();
// Whether the hardware still holds what the last read of each register found (another
// Quillon may have written since): read again, leaving the cached values as they are.
// True while the ports are unavailable.
bool RegistersAsLastRead();
// Writes all registers in table order, then reads them all back so the cache holds
// what the chipset accepted.
void WriteAllRegisters();
