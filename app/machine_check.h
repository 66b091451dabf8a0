// What a run makes sure of before its first register access: a port path that works
// and a chipset that is the one the register table describes.
#pragma once

// Checks the port path, reads the four functions' identities and marks absent bridges.
// On any failure shows why (caption "Quillon") and returns false: the run then reads
// nothing more and writes nothing (a window opens empty, a file apply ends).
bool MachineReady();
