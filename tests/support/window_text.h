// What a window shows and what it is, read from outside as a user or a test sees it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A window's text: a caption, a control's text, a list's text field.
std::string WindowText(HWND window);
std::string WindowClass(HWND window);
// The top-level windows of a process (of one of its threads, unless 0), shown or not.
std::vector<HWND> TopLevelWindows(DWORD processId, DWORD threadId = 0);

// Whether it is a visible static control that shows an icon.
bool ShowsIcon(HWND control);

// The visible top-level window of that class and caption, waited for; null if none
// showed within the deadline, which the caller reports.
HWND AwaitVisibleWindow(const char* className, const char* caption, unsigned deadlineMs);
