// A program that delay-loads what this Windows lacks, as quillon.exe does on an older
// Windows than it was checked for: a function its DLL does not export ("function") or a
// DLL that is not there ("library"). Its link and its import libraries are made by
// tests/win/CMakeLists.txt.
#include <windows.h>

#include "app/missing_function.h"

extern "C" __declspec(dllimport) void WINAPI QuillonAbsentFunction();
extern "C" __declspec(dllimport) void WINAPI QuillonFunctionOfAnAbsentLibrary();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    ReportMissingFunctions();
    if (lstrcmpA(commandLine, "library") == 0)
        QuillonFunctionOfAnAbsentLibrary();
    else
        QuillonAbsentFunction();
    return 0;
}
