// Port operations for the native tests: a simulated chipset behind the two port
// calls, and a record of every call made.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/chipset.h"

struct PortCall {
    bool write;
    uint32_t port;
    uint32_t value;
    bool portsHeld = false;  // made while the configuration ports were locked
    bool operator==(const PortCall& o) const {
        return write == o.write && port == o.port && value == o.value;
    }
};

struct FakePorts {
    static bool loaded;
    static SimChipset chipset;
    static std::vector<PortCall> calls;
    static int locksTaken;     // lockPorts calls that succeeded
    static int locksHeld;      // taken and not yet released
    // lockPorts calls made while already held: the register table counts its own holds,
    // so that a lock which is not recursive (this one, or any handed in) is taken once.
    static int nestedLocks;
    static bool portsBusy;     // lockPorts throws, as after a wait too long
    static bool driverRunning;    // what the port library says of its driver
    static bool deadAddressPort;  // no port answers: writes vanish, reads float high
    // Hands these ports to the register table. Power-on chipset, ports available, ports
    // free, driver running, no calls or locks recorded, every cached value zero and every
    // register present.
    static void Reset();
};
