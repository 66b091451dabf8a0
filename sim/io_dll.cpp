// io.dll stand-in: the port I/O library's exports, answered by a simulated chipset.
// Like the hardware, the chipset is one for every process that loads this DLL with
// the same state file: latch and registers live in named shared memory, and each port
// call is one indivisible step on it. The state is also kept in a text file
// (QUILLON_SIM_STATE, default chipset.txt beside this DLL) so that written values
// survive between runs, as the hardware keeps them until reset.
// QUILLON_SIM_LOG names a file that receives one line for every port call; a data
// access made while the latch was last set by another process is marked on its line.
// QUILLON_SIM_DELAY_MS slows every call, so that processes get the chance to meet.
// Two switches stand in for machines whose port path does not work: with
// QUILLON_SIM_NO_DRIVER=1 IsDriverInstalled answers 0 (the transfers still reach the
// chipset, so a program that ignored the answer would show it), with
// QUILLON_SIM_DEAD_ADDRESS_PORT=1 no port answers: writes vanish, reads float high.
// For trying and testing only: it must never be installed beside quillon.exe.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "hw/path_text.h"
#include "sim/chipset.h"

namespace {

// What the processes share, in the mapping named after the state file.
struct SharedChipset {
    LONG filled;         // the first process has loaded the state file
    DWORD latchSetter;   // process that last wrote the address latch; 0 before any
    SimChipsetState chipset;
};

HMODULE self = nullptr;
std::string statePath;
HANDLE sharedLock = nullptr;
HANDLE mapping = nullptr;
SharedChipset* shared = nullptr;
std::unique_ptr<SimChipset> chipset;
DWORD callDelayMs = 0;
bool driverMissing = false;
bool addressPortDead = false;
FILE* logFile = nullptr;

std::string Environment(const char* name) {
    char buffer[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return (n == 0 || n >= sizeof buffer) ? std::string() : std::string(buffer, n);
}

std::string DefaultStatePath() {
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(self, buffer, sizeof buffer);
    std::string path(buffer, n < sizeof buffer ? n : 0);
    return FolderPart(path, [](unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }) +
           "chipset.txt";
}

void Report(const std::string& message) {
    const std::string line = "io.dll (simulated): " + message + "\n";
    std::fputs(line.c_str(), stderr);
    OutputDebugStringA(line.c_str());
}

// The same state file, however it was spelled, gives the same names; another file
// gives others, so that tests with separate state files never share a chipset.
std::string SharedNameSuffix(const std::string& path) {
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string canonical = (n == 0 || n >= sizeof full) ? path : std::string(full, n);
    // ASCII folding is enough for a name, and keeps USER32 out of every process that
    // loads the stand-in: the silent apply is measured without the window system.
    for (char& c : canonical)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a
    for (char c : canonical) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", hash);
    return text;
}

// Holds the shared chipset for one port call. An owner that died mid-call leaves the
// lock abandoned; the chipset itself is never half changed, so the lock is taken over.
class SharedChipsetHeld {
public:
    SharedChipsetHeld() {
        if (sharedLock != nullptr) WaitForSingleObject(sharedLock, INFINITE);
    }
    ~SharedChipsetHeld() {
        if (sharedLock != nullptr) ReleaseMutex(sharedLock);
    }
};

void LoadState() {
    std::ifstream in(statePath, std::ios::binary);
    if (!in) {
        chipset->PowerOn();  // no file yet: the chipset is as after power-on
        return;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    if (!chipset->LoadDump(text.str(), &error)) {
        Report(statePath + ": " + error + "; using power-on contents");
        chipset->PowerOn();
    }
}

void SaveState() {
    std::ofstream out(statePath, std::ios::binary | std::ios::trunc);
    out << chipset->Dump();
    if (!out) Report("cannot write " + statePath);
}

// Joins the chipset of the processes already using this state file, or, as the first,
// makes it from the file.
void AttachChipset() {
    statePath = Environment("QUILLON_SIM_STATE");
    if (statePath.empty()) statePath = DefaultStatePath();
    const std::string suffix = SharedNameSuffix(statePath);
    sharedLock = CreateMutexA(nullptr, FALSE, ("Local\\QuillonSimChipsetLock-" + suffix).c_str());
    const SharedChipsetHeld held;
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 sizeof(SharedChipset),
                                 ("Local\\QuillonSimChipset-" + suffix).c_str());
    if (mapping != nullptr)
        shared = static_cast<SharedChipset*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (shared == nullptr) {
        Report("no shared memory; this process has a chipset of its own");
        chipset.reset(new SimChipset());
        LoadState();
        return;
    }
    chipset.reset(new SimChipset(&shared->chipset));
    if (!shared->filled) {
        LoadState();
        shared->filled = TRUE;
    }
}

void DetachChipset() {
    chipset.reset();
    if (shared != nullptr) UnmapViewOfFile(shared);
    if (mapping != nullptr) CloseHandle(mapping);
    if (sharedLock != nullptr) CloseHandle(sharedLock);
    shared = nullptr;
    mapping = nullptr;
    sharedLock = nullptr;
}

void OpenLog() {
    const std::string path = Environment("QUILLON_SIM_LOG");
    if (!path.empty()) logFile = std::fopen(path.c_str(), "ab");
}

void ReadDelay() { callDelayMs = std::strtoul(Environment("QUILLON_SIM_DELAY_MS").c_str(), nullptr, 10); }

void ReadSwitches() {
    driverMissing = Environment("QUILLON_SIM_NO_DRIVER") == "1";
    addressPortDead = Environment("QUILLON_SIM_DEAD_ADDRESS_PORT") == "1";
}

bool IsDataPort(DWORD port) { return (port & 0xFFFF) >= 0xCFC && (port & 0xFFFF) <= 0xCFF; }

bool LatchSetElsewhere() {
    return shared != nullptr && shared->latchSetter != 0 &&
           shared->latchSetter != GetCurrentProcessId();
}

void Log(const char* call, DWORD port, DWORD value) {
    if (logFile == nullptr) return;
    const bool foreign = IsDataPort(port) && LatchSetElsewhere();
    std::fprintf(logFile, "%s %04lX %08lX%s\n", call, static_cast<unsigned long>(port),
                 static_cast<unsigned long>(value),
                 foreign ? " latch set by another process" : "");
    std::fflush(logFile);
}

DWORD In(const char* call, DWORD port, unsigned bytes) {
    if (callDelayMs != 0) Sleep(callDelayMs);
    const SharedChipsetHeld held;
    const DWORD floating = bytes == 4 ? 0xFFFFFFFF : (1u << (8 * bytes)) - 1;
    const DWORD value = addressPortDead ? floating : chipset->In(port & 0xFFFF, bytes);
    Log(call, port, value);
    return value;
}

void Out(const char* call, DWORD port, DWORD value, unsigned bytes) {
    if (callDelayMs != 0) Sleep(callDelayMs);
    const SharedChipsetHeld held;
    Log(call, port, value);
    if (addressPortDead) return;
    chipset->Out(port & 0xFFFF, value, bytes);
    if ((port & 0xFFFF) == 0xCF8 && bytes == 4 && shared != nullptr)
        shared->latchSetter = GetCurrentProcessId();
    if (IsDataPort(port)) SaveState();
}

BYTE BitMask(BYTE bit) { return static_cast<BYTE>(1u << (bit & 7)); }

}  // namespace

extern "C" {

__declspec(dllexport) void WINAPI PortOut(WORD port, BYTE value) { Out("PortOut", port, value, 1); }
__declspec(dllexport) void WINAPI PortWordOut(WORD port, WORD value) { Out("PortWordOut", port, value, 2); }
__declspec(dllexport) void WINAPI PortDWordOut(DWORD port, DWORD value) { Out("PortDWordOut", port, value, 4); }
__declspec(dllexport) BYTE WINAPI PortIn(WORD port) { return static_cast<BYTE>(In("PortIn", port, 1)); }
__declspec(dllexport) WORD WINAPI PortWordIn(WORD port) { return static_cast<WORD>(In("PortWordIn", port, 2)); }
__declspec(dllexport) DWORD WINAPI PortDWordIn(DWORD port) { return In("PortDWordIn", port, 4); }

__declspec(dllexport) void WINAPI SetPortBit(WORD port, BYTE bit) {
    Out("SetPortBit", port, In("SetPortBit", port, 1) | BitMask(bit), 1);
}
__declspec(dllexport) void WINAPI ClrPortBit(WORD port, BYTE bit) {
    Out("ClrPortBit", port, In("ClrPortBit", port, 1) & ~BitMask(bit), 1);
}
__declspec(dllexport) void WINAPI NotPortBit(WORD port, BYTE bit) {
    Out("NotPortBit", port, In("NotPortBit", port, 1) ^ BitMask(bit), 1);
}
__declspec(dllexport) BOOL WINAPI GetPortBit(WORD port, BYTE bit) {
    return (In("GetPortBit", port, 1) & BitMask(bit)) != 0;
}
__declspec(dllexport) void WINAPI RightPortShift(WORD port, BOOL carryIn) {
    const DWORD v = In("RightPortShift", port, 1);
    Out("RightPortShift", port, (v >> 1) | (carryIn ? 0x80 : 0), 1);
}
__declspec(dllexport) void WINAPI LeftPortShift(WORD port, BOOL carryIn) {
    const DWORD v = In("LeftPortShift", port, 1);
    Out("LeftPortShift", port, ((v << 1) & 0xFF) | (carryIn ? 1 : 0), 1);
}
__declspec(dllexport) BOOL WINAPI IsDriverInstalled() { return driverMissing ? FALSE : TRUE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        AttachChipset();
        OpenLog();
        ReadDelay();
        ReadSwitches();
    } else if (reason == DLL_PROCESS_DETACH) {
        DetachChipset();
        if (logFile != nullptr) std::fclose(logFile);
        logFile = nullptr;
    }
    return TRUE;
}

}  // extern "C"
