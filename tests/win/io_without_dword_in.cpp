// An io.dll that exports the write but not the read: a library we must refuse.
#include <windows.h>

extern "C" __declspec(dllexport) void WINAPI PortDWordOut(DWORD, DWORD) {}
extern "C" __declspec(dllexport) BOOL WINAPI IsDriverInstalled() { return TRUE; }
