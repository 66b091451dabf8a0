#include "app/entry.h"

#include <windows.h>


#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/messages.h"
#include "app/silent_apply.h"
#include "hw/io_library.h"
#include "ui/resource_ids.h"
#include "ui/setregform.h"

namespace {

const char kApplicationClass[] = "QuillonApplication";

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Restored from the task bar: bring back the main window hidden when it was minimised.
    if (message == WM_SIZE && wParam == SIZE_RESTORED) ShowOwnedPopups(window, TRUE);
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
        // The application window only carries the task-bar button; the user works in
        // the main window it owns.
        HWND owned = GetWindow(window, GW_ENABLEDPOPUP);
        if (owned != nullptr) {
            SetActiveWindow(owned);
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND CreateApplicationWindow(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ApplicationWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLON));
    windowClass.lpszClassName = kApplicationClass;
    RegisterClassA(&windowClass);
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    HWND window = CreateWindowExA(0, kApplicationClass, kApplicationTitle,
                                  WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                      WS_MINIMIZEBOX,
                                  x, y, 0, 0, nullptr, nullptr, instance, nullptr);
    if (window != nullptr) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

namespace {

void RunInteractive() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND application = CreateApplicationWindow(instance);
    RunMainWindow(instance, application);
    if (application != nullptr) DestroyWindow(application);
}

}  // namespace

bool ComputeAppPaths() {
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH) return false;
    AppDirectory.assign(directory, length);
    ExePath = JoinStartPath(AppDirectory, "quillon.exe");
    StartupFilePath = JoinStartPath(AppDirectory, "startup.qln");
    return true;
}

std::string SystemErrorText(unsigned long code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = (length != 0 && buffer != nullptr) ? std::string(buffer, length) : "";
    LocalFree(buffer);
    return text;
}

int RunQuillon(const std::string& commandLineTail) {
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
        } else if (TrimArgument(commandLineTail).empty()) {
            RunInteractive();
        } else {
            RunSilentApply(commandLineTail);
        }
    } catch (const std::exception& error) {
        ShowErrorBox(error);
    } catch (...) {
        ShowErrorBox(std::string("Unexpected error"));
    }
    FreeIoLibrary();
    return 0;
}
