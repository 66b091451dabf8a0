#include "ui/register_form.h"

#include <commctrl.h>

#include <string>

#include "hw/program_error.h"
#include "ui/messages.h"
#include "ui/setregform.h"

// A disabled control cannot keep the focus: Set, pressed from the keyboard, hands
// it on to the next control so the keyboard keeps working.
void TSetRegisterForm::EnableButton(HWND button, bool enable) {
    if (button == nullptr || (IsWindowEnabled(button) != FALSE) == enable) return;
    if (!enable && GetFocus() == button) {
        HWND next = GetNextDlgTabItem(window_, button, FALSE);
        if (next != nullptr && next != button) SetFocus(next);
    }
    EnableWindow(button, enable ? TRUE : FALSE);
}

void TSetRegisterForm::OnCommand(int id, int code, HWND control) {
    if (control == nullptr) {
        if (code == 0) RunCommand(MenuCommandOfId(id));
        return;
    }
    const ControlDescription* description = DescriptionOfId(id);
    if (description == nullptr) return;
    if (description->kind == ControlKind::FieldList && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE))
        FieldListChange(control);
    else if (description->kind == ControlKind::Button && code == BN_CLICKED)
        RunCommand(description->command);
}

// Labels drawn in a colour of their own; everything else as the system draws it.
LRESULT TSetRegisterForm::OnControlColour(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    const ControlDescription* description =
        GetParent(control) == window_ ? DescriptionOfId(GetDlgCtrlID(control)) : nullptr;
    if (description == nullptr || FontOf(*description).colour == kWindowTextColour)
        return DefWindowProcA(window_, message, wParam, lParam);
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, static_cast<COLORREF>(FontOf(*description).colour));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// The focus leaves with the window (a message box, the file dialog) and comes back
// to the control that had it.
void TSetRegisterForm::OnActivate(WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) lastFocus_ = focus;
        return;
    }
    if (!HIWORD(state)) RestoreFocus();  // not while minimised
}

// The keyboard interface asks the window, as it would a dialog box, to move the focus
// (the arrow keys between the buttons, for one).
void TSetRegisterForm::OnNextControl(WPARAM target, LPARAM targetIsWindow) {
    HWND next = nullptr;
    if (LOWORD(targetIsWindow)) {
        next = reinterpret_cast<HWND>(target);
    } else {
        HWND focus = GetFocus();
        while (focus != nullptr && GetParent(focus) != window_) focus = GetParent(focus);
        next = GetNextDlgTabItem(window_, focus, target != 0);
    }
    if (next != nullptr && IsChild(window_, next)) SetFocus(next);
}

void TSetRegisterForm::RestoreFocus() {
    HWND target = lastFocus_;
    if (target == nullptr || !IsWindow(target) || !IsWindowEnabled(target) || !IsWindowVisible(target))
        target = GetNextDlgTabItem(window_, nullptr, FALSE);
    if (target != nullptr) SetFocus(target);
}

void TSetRegisterForm::FocusFirstControl() {
    lastFocus_ = GetNextDlgTabItem(window_, nullptr, FALSE);
    RestoreFocus();
}

void TSetRegisterForm::OnDestroy() {
    if (endsMessageLoop_) PostQuitMessage(0);
}

// The application's own window carries the task-bar button: minimising the main
// window minimises that one and hides the windows it owns until it is restored.
bool TSetRegisterForm::OnMinimize() {
    HWND owner = GetWindow(window_, GW_OWNER);
    if (owner == nullptr) return false;
    ShowWindow(owner, SW_MINIMIZE);
    ShowOwnedPopups(owner, FALSE);
    return true;
}

LRESULT TSetRegisterForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_MINIMIZE && OnMinimize()) return 0;
            return DefWindowProcA(window_, message, wParam, lParam);
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_INITMENU:
            // Whether there is a snapshot to load: another Quillon may have taken it since.
            UpdateCommandStates();
            return 0;
        case WM_SETCURSOR:
            // The mouse over a control: the tooltips are wanted from now on.
            if (reinterpret_cast<HWND>(wParam) != window_) panel_.MakeTooltips();
            return DefWindowProcA(window_, message, wParam, lParam);
        case WM_CTLCOLORSTATIC:
            return OnControlColour(message, wParam, lParam);
        case WM_ACTIVATE:
            OnActivate(wParam);
            return 0;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_NEXTDLGCTL:
            OnNextControl(wParam, lParam);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            return DefWindowProcA(window_, message, wParam, lParam);
    }
}

TSetRegisterForm* FormOf(HWND window) {
    return reinterpret_cast<TSetRegisterForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

namespace {

// What CreateMainWindow hands the window procedure for WM_NCCREATE.
struct FormStart {
    const FormServices* services;
    MachineState machine;
};

void AttachForm(HWND window, LPARAM createStruct) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(createStruct);
    const auto* start = static_cast<const FormStart*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new TSetRegisterForm(window, *start->services, start->machine)));
}

void DetachForm(HWND window) {
    TSetRegisterForm* form = FormOf(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    delete form;
}

// No exception may cross into the system's code that called us: a handler's error is
// shown in the standard error box and the window goes on. (A failed WM_NCCREATE
// answers 0, and the window is not created.)
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    try {
        if (message == WM_NCCREATE) AttachForm(window, lParam);
        TSetRegisterForm* form = FormOf(window);
        result = form ? form->WindowProc(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        ShowErrorBox(error);
    } catch (...) {
        ShowErrorBox(std::string("An unexpected error occurred"));
    }
    if (message == WM_NCDESTROY) DetachForm(window);
    return result;
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance, HWND owner, const FormServices& services, MachineState machine) {
    FormStart start = {&services, machine};
    HWND window = CreateFormFrame(instance, owner, FormWindowProc, &start);
    if (window == nullptr) return nullptr;
    try {
        FitAndCentre(window);
        FormOf(window)->Build();
    } catch (...) {
        DestroyWindow(window);
        throw;
    }
    return window;
}

void ShowMainWindow(HWND window) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (TSetRegisterForm* form = FormOf(window)) form->FocusFirstControl();
}

void DispatchFormMessage(HWND window, MSG& message) {
    if (IsWindow(window) && IsDialogMessageA(window, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

HWND FindFormControl(HWND window, const char* name) {
    const ControlDescription* control = FindControl(name);
    return control == nullptr ? nullptr : ControlHandle(window, *control);
}

int RunMainWindow(HINSTANCE instance, HWND owner, const FormServices& services, MachineState machine) {
    HWND window = CreateMainWindow(instance, owner, services, machine);
    if (window == nullptr) throw ProgramError("Unable to create the main window");
    FormOf(window)->EndMessageLoopOnClose();
    ShowMainWindow(window);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchFormMessage(window, message);
    return static_cast<int>(message.wParam);
}
