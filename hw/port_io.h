// The two port operations the register table needs, whether they may be used, and the
// machine-wide hold on the configuration ports.
// On Windows they are provided by the run-time binding of io.dll (io_library.cpp) and
// a named mutex (port_lock.cpp); the native tests link their own recording
// implementation instead.
#pragma once
#include <cstdint>

bool IoLibraryLoaded();
void WritePortDWord(uint32_t port, uint32_t value);
uint32_t ReadPortDWord(uint32_t port);

// The address latch at 0xCF8 is one for the whole machine: another process moving it
// between our address write and our data access would put our value into a register
// we never meant. Every sequence of port traffic is bracketed by these two, against
// every other process that brackets its own the same way. Lock throws
// ProgramError, before any port is touched, when the ports stay busy too long.
void LockConfigPorts();
void UnlockConfigPorts();
