// Run-time binding of the port I/O library io.dll.
#pragma once
#include <cstdint>

#include "hw/port_io.h"

// Loads io.dll once and looks up its entry points. Returns true when the library is
// usable. On failure the thread's last-error code says why (the loader's own code,
// or ERROR_PROC_NOT_FOUND when a required entry point is missing).
bool LoadIoLibrary();

// Releases the library while it is loaded; does nothing otherwise.
void FreeIoLibrary();

bool IoLibraryLoaded();
void WritePortDWord(uint32_t port, uint32_t value);
uint32_t ReadPortDWord(uint32_t port);
// io.dll's own word on its driver; true where the library does not export the check.
bool PortDriverRunning();

// The program's port operations: io.dll's two transfers, available while it is loaded,
// under the machine-wide port lock (hw/port_lock.h), and its driver check.
extern const PortOperations kIoLibraryPorts;
