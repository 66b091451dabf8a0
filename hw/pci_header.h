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

// What the window reads to tell the clocks and the CAS latency; never written.
constexpr uint32_t kDramConfig = 0xA0;             // memory controller: CAS latency in bits 6-4
constexpr uint32_t kFsbPll = 0xA4;                 // host bridge: FSB PLL, divider and multiplier
constexpr uint32_t kFsbPllEnable = 0xA8;           // host bridge: byte 0 non-zero once the PLL is set
constexpr uint32_t kMemoryPll = 0x70;              // 00:00.3: memory PLL, M in bits 3-0, N in 7-4
constexpr uint32_t kMemoryPllAlternative = 0x7C;   // 00:00.3: the same where 0x70 holds a zero M or N
constexpr uint32_t kBootFsb = 0x48;                // 00:00.5: the FSB the firmware set, in Hz
constexpr uint32_t kBootMemoryClock = 0x4C;        // 00:00.5: the memory clock the firmware set, in Hz

// Class codes the identity checks expect: base class with subclass, and base classes.
constexpr uint32_t kClassHostBridge = 0x0600;
constexpr uint32_t kClassPciBridge = 0x0604;
constexpr uint32_t kBaseClassMemoryController = 0x05;
constexpr uint32_t kHeaderLayoutBridge = 1;

// Read from a vendor id slot where no function answers.
constexpr uint32_t kNoVendor = 0xFFFF;
