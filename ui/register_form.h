// The form's class, shared by its two halves: what it does (setregform.cpp: its lists,
// its commands) and how it meets the window system (form_window.cpp: messages, focus,
// colours, creation). ui/form_builder.cpp builds it, ui/field_lists.cpp keeps its lists
// and ui/timing_panel.cpp its clocks and timings.
#pragma once
#include <windows.h>

#include "hw/clock_registers.h"
#include "ui/field_lists.h"
#include "ui/form_builder.h"
#include "ui/form_services.h"
#include "ui/open_dialog.h"
#include "ui/timing_panel.h"

class TSetRegisterForm {
public:
    TSetRegisterForm(HWND window, const FormServices& services, MachineState machine)
        : window_(window), services_(services), machine_(machine), dpi_(SystemDpi()) {}
    ~TSetRegisterForm() {
        if (fonts_.window) DeleteObject(fonts_.window);
        if (fonts_.siteName) DeleteObject(fonts_.siteName);
    }
    TSetRegisterForm(const TSetRegisterForm&) = delete;
    TSetRegisterForm& operator=(const TSetRegisterForm&) = delete;

    // Window creation, once the frame exists.
    void Build();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void EndMessageLoopOnClose() { endsMessageLoop_ = true; }
    void FocusFirstControl();

private:
    void FieldListChange(HWND list);
    // The registers and the clocks, read under one hold of the ports.
    void ReadChipset();
    // The lists, the panel and the tooltips, from the cache and the clocks last read.
    void ShowAll();

    // Commands.
    void RunCommand(FormCommand command);
    void RefreshButtonClick();
    void SetRegistersButtonClick();
    void SaveClick();
    void RestoreClick();
    void LoadBootValuesClick();
    void LoadIntoLists(const std::string& path);
    void CopyAsTextClick();
    void ApplyStartupSettingsClick();
    void RemoveStartupSettingsClick();
    void Exit1Click();
    void EnableSetButton(bool enable);
    bool CommandAvailable(FormCommand command) const;
    void UpdateCommandStates();
    void EnableButton(HWND button, bool enable);

    // Messages.
    void OnCommand(int id, int code, HWND control);
    LRESULT OnControlColour(UINT message, WPARAM wParam, LPARAM lParam);
    void OnActivate(WPARAM state);
    void OnNextControl(WPARAM target, LPARAM targetIsWindow);
    void RestoreFocus();
    void OnDestroy();
    bool OnMinimize();

    HWND window_;
    FormServices services_;
    MachineState machine_;
    bool setPending_ = false;     // picks or a load not yet written with Set
    int dpi_;
    FormFonts fonts_;
    FieldLists lists_;
    TimingPanel panel_;
    ClockRegisters clocks_;       // as read with the registers last
    OpenDialog openDialog_;
    HWND lastFocus_ = nullptr;    // given back when the window is active again
    bool endsMessageLoop_ = false;
};

// The form of a window made by CreateMainWindow, or nullptr.
TSetRegisterForm* FormOf(HWND window);
