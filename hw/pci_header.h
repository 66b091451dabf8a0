// Configuration mechanism #1 and the configuration-space offsets Quillon reads, each
// with the bit fields it uses indented under it.
#pragma once
#include <cstdint>

constexpr uint32_t kConfigAddressPort = 0xCF8;
constexpr uint32_t   kConfigEnable = 0x80000000;  // set in every address we latch
constexpr uint32_t kConfigDataPort = 0xCFC;

// Every function's header.
constexpr uint32_t kPciVendorDevice = 0x00;
constexpr uint32_t   kPciVendorMask = 0x0000FFFF;
constexpr uint32_t   kPciDeviceShift = 16;
constexpr uint32_t kPciClassRevision = 0x08;
constexpr uint32_t   kPciRevisionMask = 0x000000FF;
constexpr uint32_t   kPciSubclassShift = 16;       // with the base class: bits 31-16
constexpr uint32_t   kPciBaseClassShift = 24;
constexpr uint32_t kPciHeaderDword = 0x0C;         // cache line, latency timer, header type, BIST
constexpr uint32_t   kPciLatencyTimerShift = 8;
constexpr uint32_t   kPciHeaderTypeShift = 16;
constexpr uint32_t   kPciHeaderLayoutMask = 0x7F;  // of the header type, without its
constexpr uint32_t   kPciMultiFunction = 0x80;     // multi-function bit
constexpr uint32_t kPciSubsystem = 0x2C;           // layout 0: subsystem vendor and id

// A PCI-to-PCI bridge's header (layout 1).
constexpr uint32_t kPciBridgeBusNumbers = 0x18;    // primary, secondary, subordinate bus
constexpr uint32_t   kPciSecondaryLatencyShift = 24;

// The memory controller's DRAM timing registers (bus 0, device 0, function 1).
constexpr uint32_t kDramTiming0 = 0x84;
constexpr uint32_t kDramTiming1 = 0x90;
constexpr uint32_t kDramAlphaTiming = 0x94;

// Class codes the identity checks expect: base class with subclass, and base classes.
constexpr uint32_t kClassHostBridge = 0x0600;
constexpr uint32_t kClassPciBridge = 0x0604;
constexpr uint32_t kBaseClassMemoryController = 0x05;
constexpr uint32_t kHeaderLayoutBridge = 1;

// Read from a vendor id slot where no function answers.
constexpr uint32_t kNoVendor = 0xFFFF;
