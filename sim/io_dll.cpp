// io.dll stand-in: the port I/O library's exports, answered by a simulated chipset.
// The state lives in a text file (QUILLON_SIM_STATE, default chipset.txt beside this
// DLL) so that written values survive between runs, as the hardware keeps them until
// reset. QUILLON_SIM_LOG names a file that receives one line for every port call.
// For trying and testing only: it must never be installed beside quillon.exe.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/chipset.h"

namespace {

HMODULE self = nullptr;
SimChipset chipset;
std::string statePath;
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
    const size_t slash = path.find_last_of("\\/");
    path.erase(slash == std::string::npos ? 0 : slash + 1);
    return path + "chipset.txt";
}

void Report(const std::string& message) {
    const std::string line = "io.dll (simulated): " + message + "\n";
    std::fputs(line.c_str(), stderr);
    OutputDebugStringA(line.c_str());
}

void LoadState() {
    statePath = Environment("QUILLON_SIM_STATE");
    if (statePath.empty()) statePath = DefaultStatePath();
    std::ifstream in(statePath, std::ios::binary);
    if (!in) return;  // no file yet: the chipset is as after power-on
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    if (!chipset.LoadDump(text.str(), &error))
        Report(statePath + ": " + error + "; using power-on contents");
}

void SaveState() {
    std::ofstream out(statePath, std::ios::binary | std::ios::trunc);
    out << chipset.Dump();
    if (!out) Report("cannot write " + statePath);
}

void OpenLog() {
    const std::string path = Environment("QUILLON_SIM_LOG");
    if (!path.empty()) logFile = std::fopen(path.c_str(), "ab");
}

void Log(const char* call, DWORD port, DWORD value) {
    if (logFile == nullptr) return;
    std::fprintf(logFile, "%s %04lX %08lX\n", call, static_cast<unsigned long>(port),
                 static_cast<unsigned long>(value));
    std::fflush(logFile);
}

DWORD In(const char* call, DWORD port, unsigned bytes) {
    const DWORD value = chipset.In(port & 0xFFFF, bytes);
    Log(call, port, value);
    return value;
}

void Out(const char* call, DWORD port, DWORD value, unsigned bytes) {
    Log(call, port, value);
    chipset.Out(port & 0xFFFF, value, bytes);
    if ((port & 0xFFFF) >= 0xCFC && (port & 0xFFFF) <= 0xCFF) SaveState();
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
__declspec(dllexport) BOOL WINAPI IsDriverInstalled() { return TRUE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        LoadState();
        OpenLog();
    } else if (reason == DLL_PROCESS_DETACH && logFile != nullptr) {
        std::fclose(logFile);
        logFile = nullptr;
    }
    return TRUE;
}

}  // extern "C"
