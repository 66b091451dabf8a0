// quillon.exe: the window with no argument; with a settings file's path, a silent apply.
#include <windows.h>

#include <cstdlib>

#include "app/command_line.h"
#include "app/entry.h"
#include "hw/io_library.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The tail is cut from the raw command line ourselves, so a path with inner blanks
    // or quotes reaches the settings loader exactly as typed.
    return RunQuillon(CommandLineTail(GetCommandLineA()), kIoLibraryPorts);
}

// An exception that escapes everything ends the program; libstdc++'s default handler
// would first print its demangled type, pulling a demangler into the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
