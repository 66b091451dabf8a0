// Building the main window from its form description (ui/form_layout.h): the window
// class, the frame placed at the system DPI, the menu, the fonts and the controls.
// What the window does once built lives in setregform.cpp.
#pragma once
#include <windows.h>

#include "ui/form_layout.h"

// The DPI the system draws at; the window scales its 96-dpi description to it.
int SystemDpi();

// The width of a text in the font and the height of its line.
SIZE TextBox(HDC dc, HFONT font, const char* text);

// A font of the description at the DPI, in its fallback face where the system lacks its
// own. Throws when Windows refuses the font.
HFONT CreateFormFont(const FontDescription& description, int dpi);

// The form's two fonts; the form deletes them when it goes.
struct FormFonts {
    HFONT window = nullptr;
    HFONT siteName = nullptr;
    HFONT Of(const ControlDescription& control) const {
        return control.font == ControlFont::SiteName ? siteName : window;
    }
};

// The description of the font a control is drawn in.
inline const FontDescription& FontOf(const ControlDescription& control) {
    return control.font == ControlFont::SiteName ? kSiteNameFont : kWindowFont;
}

// Controls and menu items are told apart by the identifiers the builder gives them.
int ControlId(const ControlDescription& control);
const ControlDescription* DescriptionOfId(int id);
HWND ControlHandle(HWND window, const ControlDescription& control);
FormCommand MenuCommandOfId(int id);
// The identifier of the menu's item at that place (kMainMenu, its items).
int MenuItemIdAt(size_t menu, size_t item);

// Registers the form's class with the window procedure and creates the frame, hidden,
// centred on the desktop, with the menu bar; `creationData` reaches WM_NCCREATE.
// Returns nullptr when Windows refuses the window.
HWND CreateFormFrame(HINSTANCE instance, HWND owner, WNDPROC procedure, void* creationData);

// Gives the frame the client area the form needs (the menu bar may take more than one
// line) and centres it again.
void FitAndCentre(HWND window);

// Creates every control of the form in keyboard order, in its font, at the DPI.
// Throws when Windows refuses one.
void CreateFormControls(HWND window, const FormFonts& fonts, int dpi);
