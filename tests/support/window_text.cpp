#include "tests/support/window_text.h"

std::string WindowText(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    const int n = GetWindowTextA(window, &text[0], static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

std::string WindowClass(HWND window) {
    char name[256];
    const int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

namespace {

struct WindowSearch {
    DWORD processId;
    DWORD threadId;
    std::vector<HWND> found;
};

BOOL CALLBACK NoteWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    if (process == search.processId && (search.threadId == 0 || thread == search.threadId))
        search.found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, DWORD threadId) {
    WindowSearch search{processId, threadId, {}};
    EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ShowsIcon(HWND control) {
    return WindowClass(control) == "Static" && IsWindowVisible(control) &&
           (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
           SendMessageA(control, STM_GETICON, 0, 0) != 0;
}

HWND AwaitVisibleWindow(const char* className, const char* caption, unsigned deadlineMs) {
    const DWORD begin = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(className, caption);
        if (window != nullptr && IsWindowVisible(window)) return window;
        if (GetTickCount() - begin > deadlineMs) return nullptr;
        Sleep(10);
    }
}
