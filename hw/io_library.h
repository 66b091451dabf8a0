// Run-time binding of the port I/O library io.dll.
#pragma once

// Loads io.dll once and looks up its entry points. Returns true when the library is
// usable. On failure the thread's last-error code says why (the loader's own code,
// or ERROR_PROC_NOT_FOUND when a required entry point is missing).
bool LoadIoLibrary();

// Releases the library while it is loaded; does nothing otherwise.
void FreeIoLibrary();
