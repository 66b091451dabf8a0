// The two port operations the register table needs, and whether they may be used.
// On Windows they are provided by the run-time binding of io.dll (io_library.cpp);
// the native tests link their own recording implementation instead.
#pragma once
#include <cstdint>

bool IoLibraryLoaded();
void WritePortDWord(uint32_t port, uint32_t value);
uint32_t ReadPortDWord(uint32_t port);
