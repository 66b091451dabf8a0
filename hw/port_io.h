// The port operations the register table reaches the hardware through, handed to it
// once by whoever runs it: the program hands io.dll's under the machine-wide lock, the
// native tests a recording fake, the register printer a simulated chipset.
#pragma once
#include <cstdint>

struct PortOperations {
    // Whether the ports may be used at all; while false every register reads as 0 and
    // no write is attempted.
    bool (*available)();
    void (*writeDWord)(uint32_t port, uint32_t value);
    uint32_t (*readDWord)(uint32_t port);
    // The address latch at 0xCF8 is one for the whole machine: another process moving it
    // between our address write and our data access would put our value into a register
    // we never meant. Every sequence of port traffic is bracketed by these two, against
    // every other process that brackets its own the same way. lockPorts throws, before
    // any port is touched, when the ports stay busy too long.
    void (*lockPorts)();
    void (*unlockPorts)();
    // Whether the port library's driver runs; nullptr where the library cannot tell,
    // which counts as running (the address-port check still catches dead ports).
    bool (*driverRunning)();
};

// Until this is called the ports count as unavailable. The table is copied.
void SetPortOperations(const PortOperations& operations);
// The operations handed last (the unavailable ones before any).
const PortOperations& HandedPortOperations();

// Holds the configuration ports for the life of one sequence of port traffic.
class ConfigPortsHeld {
public:
    ConfigPortsHeld() { HandedPortOperations().lockPorts(); }
    ~ConfigPortsHeld() { HandedPortOperations().unlockPorts(); }
    ConfigPortsHeld(const ConfigPortsHeld&) = delete;
    ConfigPortsHeld& operator=(const ConfigPortsHeld&) = delete;
};
