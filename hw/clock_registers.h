// The registers the window reads to tell the memory clock, the FSB and the CAS latency.
// They are only read, never written, and only by the window: a silent or logon apply
// reads nothing of them.
#pragma once
#include <cstdint>

struct ClockRegisters {
    // 00:00.0, the host bridge: the FSB PLL and whether it is set.
    bool fsbPllRead = false;
    uint32_t fsbPll = 0;        // +A4
    uint32_t fsbPllEnable = 0;  // +A8, its low byte counts
    // 00:00.1, the memory controller: the DRAM configuration holding the CAS latency.
    bool dramConfigRead = false;
    uint32_t dramConfig = 0;    // +A0
    // 00:00.3: the memory PLL, in one of two places.
    bool memoryPllRead = false;
    uint32_t memoryPll = 0;             // +70
    uint32_t memoryPllAlternative = 0;  // +7C
    // 00:00.5: the clocks the firmware set at boot, in Hz.
    bool bootClocksRead = false;
    uint32_t bootFsbHz = 0;     // +48
    uint32_t bootMemoryHz = 0;  // +4C
};

// Reads dword 0x00 of each of the four functions and, of those the table of known
// devices names at that place (hw/pci_functions.h), the registers above; a function
// absent or unknown is read no further and leaves its part unread. Holds the
// configuration ports (within a hold of the caller's, nothing more is taken). Nothing
// is read while the ports are unavailable.
ClockRegisters ReadClockRegisters();
