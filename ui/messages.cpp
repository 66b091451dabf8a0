#include "ui/messages.h"

#include <windows.h>

#include "ui/error_text.h"

const char* const kApplicationTitle = "Quillon";

namespace {

int ShowModalToProgram(const std::string& text, const char* caption, UINT style) {
    // With no owner and MB_TASKMODAL, Windows disables every top-level window of this
    // thread for the life of the box. They are still disabled when the box goes, so
    // none of them takes the activation back by itself: the previous one is given it.
    HWND previous = GetActiveWindow();
    const int answer = MessageBoxA(nullptr, text.c_str(), caption, MB_TASKMODAL | style);
    if (previous != nullptr && IsWindow(previous) && IsWindowEnabled(previous)) SetActiveWindow(previous);
    return answer;
}

}  // namespace

void ShowProgramMessage(const std::string& text, const char* caption) {
    ShowModalToProgram(text, caption, MB_OK);
}

bool AskProgramQuestion(const std::string& text) {
    return ShowModalToProgram(text, kApplicationTitle,
                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void ShowErrorBox(const std::string& message) {
    ShowModalToProgram(ErrorBoxText(message), kApplicationTitle, MB_OK | MB_ICONSTOP);
}

void ShowErrorBox(const std::exception& error) { ShowErrorBox(std::string(error.what())); }
