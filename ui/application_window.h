// The application's own window: it carries the task-bar button and owns the main window.
#pragma once
#include <windows.h>

// A zero-size window titled "Quillon" that owns the main window, so the task bar
// shows the application title rather than the main window's caption.
HWND CreateApplicationWindow(HINSTANCE instance);
