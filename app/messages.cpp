#include "app/messages.h"

#include <windows.h>

#include "app/error_text.h"

const char* const kApplicationTitle = "Quillon";

namespace {

void ShowModalToProgram(const std::string& text, const char* caption, UINT icon) {
    // With no owner and MB_TASKMODAL, Windows disables every top-level window of this
    // thread for the life of the box and reactivates the previous one afterwards.
    MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_TASKMODAL | icon);
}

}  // namespace

void ShowProgramMessage(const std::string& text, const char* caption) {
    ShowModalToProgram(text, caption, 0);
}

void ShowErrorBox(const std::string& message) {
    ShowModalToProgram(ErrorBoxText(message), kApplicationTitle, MB_ICONSTOP);
}

void ShowErrorBox(const std::exception& error) { ShowErrorBox(std::string(error.what())); }
