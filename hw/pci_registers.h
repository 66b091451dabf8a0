// The six chipset registers Quillon knows, each with its PCI location and one cached
// value, and the transfers between that cache and the hardware (configuration
// mechanism #1: address latch at 0xCF8, data at 0xCFC).
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t kConfigAddressPort = 0xCF8;
constexpr uint32_t kConfigDataPort = 0xCFC;
constexpr uint32_t kConfigEnable = 0x80000000;

struct PciRegister {
    char Name[32];
    uint32_t Bus;
    uint32_t Device;
    uint32_t Function;
    uint32_t Offset;
    uint32_t Value;  // cached contents; 0 until first read
};

constexpr size_t kRegisterCount = 6;

// In the order of every read-all and write-all.
extern PciRegister RegisterTable[kRegisterCount];

// The configuration address of a register's containing doubleword.
uint32_t ConfigAddress(const PciRegister& reg);

// Every transfer goes through the port operations handed with SetPortOperations
// (hw/port_io.h) and holds the configuration ports for its whole length; when they stay
// busy the lock's error propagates with nothing transferred.

// Reads one register into its cached value (0 while the ports are unavailable).
void ReadRegister(PciRegister& reg);
// Writes one register's cached value (skipped while the ports are unavailable).
void WriteRegister(const PciRegister& reg);

void ReadAllRegisters();
// Writes all registers in table order, then reads them all back so the cache holds
// what the chipset accepted.
void WriteAllRegisters();
