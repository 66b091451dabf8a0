#include "ui/application_window.h"

#include "ui/messages.h"
#include "ui/resource_ids.h"

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
