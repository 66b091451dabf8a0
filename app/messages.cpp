#include "app/messages.h"

#include <windows.h>

#include "app/error_text.h"

const char* const kApplicationTitle = "Quillon";

namespace {

void ShowModalToProgram(const std::string& text, const char* caption, UINT icon) {
    // With no owner and MB_TASKMODAL, Windows disables every top-level window of this
    // thread for the life of the box. They are still disabled when the box goes, so
    // none of them takes the activation back by itself: the previous one is given it.
    HWND previous = GetActiveWindow();
    MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_TASKMODAL | icon);
    if (previous != nullptr && IsWindow(previous) && IsWindowEnabled(previous)) SetActiveWindow(previous);
}

}  // namespace

void ShowProgramMessage(const std::string& text, const char* caption) {
    ShowModalToProgram(text, caption, 0);
}

void ShowErrorBox(const std::string& message) {
    ShowModalToProgram(ErrorBoxText(message), kApplicationTitle, MB_ICONSTOP);
}

void ShowErrorBox(const std::exception& error) { ShowErrorBox(std::string(error.what())); }
