// quillon.exe for a test build only: the configuration ports held against nobody, so
// that a test can show the interleaving the lock prevents. The same entry as the
// product's, handed io.dll's transfers with a lock that does nothing.
#include <windows.h>

#include "app/command_line.h"
#include "app/entry.h"
#include "hw/io_library.h"

namespace {

void HoldNothing() {}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    PortOperations unlocked = kIoLibraryPorts;
    unlocked.lockPorts = HoldNothing;
    unlocked.unlockPorts = HoldNothing;
    return RunQuillon(CommandLineTail(GetCommandLineA()), unlocked);
}
