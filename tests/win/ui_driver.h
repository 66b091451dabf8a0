// Driving the main window the way a user does; the dialogs and message boxes it opens
// are answered with the shared dialog answerer.
#pragma once
#include <windows.h>

#include <string>

#include "tests/support/dialogs.h"
#include "tests/support/window_text.h"

// Handles every message waiting for the test thread, as the program's loop would.
void PumpMessages(HWND form);

// The entry a list has selected, and the parts it is made of.
int SelectedIndex(HWND list);
COMBOBOXINFO ComboInfo(HWND list);

// Opens the list and clicks the entry with that text, as the mouse does.
void PickEntry(HWND form, HWND list, const std::string& text);
// Keys pressed while the window has the focus, translated and dispatched by the loop.
void PressKey(HWND form, WPARAM key);
void TypeText(HWND form, HWND list, const std::string& digits);

// The window that holds the keyboard focus, taking a list's own text field as the list.
HWND FocusedControl(HWND form);

// The caption a menu item shows, with its access-key mark; "-" for a separator.
std::string MenuText(HMENU menu, int position);
// The command of a menu item, found by the caption the menu shows.
UINT MenuItemId(HWND form, const std::string& shownCaption);
void ChooseMenuItem(HWND form, const std::string& shownCaption);

// Saves what the window shows on screen as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::string& path);
