// For a test build only: the configuration ports held against nobody, so that a test
// can show the interleaving the lock prevents. Linked before the Windows library, this
// keeps the real lock out of the program.
#include "hw/port_io.h"

void LockConfigPorts() {}
void UnlockConfigPorts() {}
