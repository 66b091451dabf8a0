#include "hw/io_library.h"
#include "hw/port_lock.h"

#include <windows.h>
#include <cstdlib>

namespace {

using PortDWordOutProc = void(WINAPI*)(DWORD port, DWORD value);
using PortDWordInProc = DWORD(WINAPI*)(DWORD port);
using IsDriverInstalledProc = BOOL(WINAPI*)();

bool loaded = false;
HMODULE library = nullptr;
PortDWordOutProc PortDWordOut = nullptr;
PortDWordInProc PortDWordIn = nullptr;
IsDriverInstalledProc IsDriverInstalled = nullptr;  // optional: not every build exports it
bool exitHookRegistered = false;

// Every export of the library's family, in the order they are looked up. Only the
// two doubleword operations and the driver check are ever called.
const char* const kEntryPointNames[] = {
    "PortOut",  "PortWordOut",  "PortDWordOut",   "PortIn",        "PortWordIn",
    "PortDWordIn", "SetPortBit", "ClrPortBit",    "NotPortBit",    "GetPortBit",
    "RightPortShift", "LeftPortShift", "IsDriverInstalled",
};

constexpr size_t kEntryPointCount = sizeof(kEntryPointNames) / sizeof(kEntryPointNames[0]);
FARPROC entryPoints[kEntryPointCount] = {};

void LookUpEntryPoints() {
    for (size_t i = 0; i < kEntryPointCount; ++i)
        entryPoints[i] = GetProcAddress(library, kEntryPointNames[i]);
}

template <typename Proc>
Proc EntryPoint(const char* name) {
    for (size_t i = 0; i < kEntryPointCount; ++i)
        if (lstrcmpA(kEntryPointNames[i], name) == 0)
            return reinterpret_cast<Proc>(reinterpret_cast<void*>(entryPoints[i]));
    return nullptr;
}

void ReleaseLibrary() {
    FreeLibrary(library);
    library = nullptr;
    PortDWordOut = nullptr;
    PortDWordIn = nullptr;
    IsDriverInstalled = nullptr;
    for (FARPROC& entry : entryPoints) entry = nullptr;
}

void FreeAtExit() { FreeIoLibrary(); }

}  // namespace

bool LoadIoLibrary() {
    if (loaded) return true;
    library = LoadLibraryA("io.dll");
    if (library == nullptr) return false;

    LookUpEntryPoints();
    PortDWordOut = EntryPoint<PortDWordOutProc>("PortDWordOut");
    PortDWordIn = EntryPoint<PortDWordInProc>("PortDWordIn");
    IsDriverInstalled = EntryPoint<IsDriverInstalledProc>("IsDriverInstalled");
    if (PortDWordOut == nullptr || PortDWordIn == nullptr) {
        // A library without the two operations we call cannot be used; say why.
        ReleaseLibrary();
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    if (!exitHookRegistered) {
        std::atexit(FreeAtExit);
        exitHookRegistered = true;
    }
    loaded = true;
    return true;
}

void FreeIoLibrary() {
    if (!loaded) return;
    ReleaseLibrary();
    loaded = false;
}

bool IoLibraryLoaded() { return loaded; }

void WritePortDWord(uint32_t port, uint32_t value) { PortDWordOut(port, value); }

uint32_t ReadPortDWord(uint32_t port) { return PortDWordIn(port); }

bool PortDriverRunning() { return IsDriverInstalled == nullptr || IsDriverInstalled() != FALSE; }

const PortOperations kIoLibraryPorts = {IoLibraryLoaded,  WritePortDWord,    ReadPortDWord,
                                         LockConfigPorts,  UnlockConfigPorts, PortDriverRunning};
