// The program's message boxes. All are modal to the whole program: every window of
// the program is disabled while one is open, and the window that was active is active
// again afterwards.
#pragma once
#include <exception>
#include <string>

// The application title: the caption of boxes without one of their own.
extern const char* const kApplicationTitle;

// One OK button, no icon.
void ShowProgramMessage(const std::string& text, const char* caption);

// A question with a warning icon, Yes and No, No the default; caption "Quillon".
// True when the answer is Yes.
bool AskProgramQuestion(const std::string& text);

// The standard error box for an error nobody caught: its message with the full-stop
// rule, caption "Quillon", OK, stop icon.
void ShowErrorBox(const std::string& message);
void ShowErrorBox(const std::exception& error);
