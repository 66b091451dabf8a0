#include "app/entry.h"

#include <windows.h>

#include "app/app_paths.h"
#include "app/boot_snapshot.h"
#include "app/command_line.h"
#include "app/file_apply.h"
#include "app/machine_check.h"
#include "app/startup_commands.h"
#include "app/write_logging.h"
#include "hw/io_library.h"
#include "hw/port_io.h"
#include "model/settings.h"
#include "ui/application_window.h"
#include "ui/messages.h"
#include "ui/setregform.h"

namespace {

void RunInteractive(MachineState machine) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND application = CreateApplicationWindow(instance);
    RunMainWindow(instance, application, ProgramServices(), machine);
    if (application != nullptr) DestroyWindow(application);
}

}  // namespace

std::string SystemErrorText(unsigned long code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = (length != 0 && buffer != nullptr) ? std::string(buffer, length) : "";
    LocalFree(buffer);
    return text;
}

const FormServices& ProgramServices() {
    static const FormServices services = {SaveSettings,          LoadSettings,     ApplyStartupSettings,
                                          RemoveStartupSettings, LogWindowWrite,   TakeBootSnapshot,
                                          ExistingBootSnapshot};
    return services;
}

int RunQuillon(const std::string& commandLineTail, const PortOperations& ports) {
    SetPortOperations(ports);
    try {
        if (!ComputeAppPaths()) {
            ShowProgramMessage(
                "Quillon cannot run from this folder: its path is 260 characters or longer.\n"
                "Start Quillon from a folder with a shorter path.",
                kApplicationTitle);
        } else if (!LoadIoLibrary()) {
            const std::string reason = SystemErrorText(GetLastError());
            ShowProgramMessage("IO.DLL failed to load ... please retry.\n" + reason,
                               kApplicationTitle);
            // A port library quarantined by a virus scanner must not leave a logon apply
            // that nobody can remove without the registry editor: the window still opens,
            // with no chipset behind it. A file apply ends here.
            if (TrimArgument(commandLineTail).empty()) RunInteractive(MachineState::Refused);
        } else if (TrimArgument(commandLineTail).empty()) {
            // Refused, it has said why; the window then opens with no chipset behind it,
            // so that a logon apply that can no longer work can still be removed.
            RunInteractive(MachineReady() ? MachineState::Identified : MachineState::Refused);
        } else {
            RunFileApply(commandLineTail);
        }
    } catch (const std::exception& error) {
        ShowErrorBox(error);
    } catch (...) {
        ShowErrorBox(std::string("Unexpected error"));
    }
    FreeIoLibrary();
    return 0;
}
