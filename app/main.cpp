// quillon.exe: the window with no argument; with a settings file's path, a silent apply.
#include <windows.h>

#include "app/command_line.h"
#include "app/entry.h"
#include "app/missing_function.h"
#include "hw/io_library.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ReportMissingFunctions();
    // The tail is cut from the raw command line ourselves, so a path with inner blanks
    // or quotes reaches the settings loader exactly as typed.
    return RunQuillon(CommandLineTail(GetCommandLineA()), kIoLibraryPorts);
}
