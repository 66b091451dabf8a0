// Tooltips of the window's controls, from the common controls library, which is loaded
// by name when the window first makes them: it is not among the program's imports, so
// a silent or logon apply never loads it.
#pragma once
#include <windows.h>

#include <string>

class Tooltips {
public:
    Tooltips() = default;
    ~Tooltips();
    Tooltips(const Tooltips&) = delete;
    Tooltips& operator=(const Tooltips&) = delete;

    // Makes the tooltip window for the controls of `owner`. False where the library or
    // its tooltips are missing; the window then goes without.
    bool Create(HWND owner);
    // The text shown over the control (and, for a list with a text field, over that
    // field too), replacing what it showed before.
    void Set(HWND control, const std::string& text);

private:
    void Put(HWND tool, const std::string& text);

    HWND owner_ = nullptr;
    HWND tips_ = nullptr;
    HMODULE library_ = nullptr;
};
