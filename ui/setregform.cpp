#include "ui/setregform.h"

#include "hw/concat.h"

#include <commctrl.h>

#include <string>

#include "hw/pci_registers.h"
#include "hw/program_error.h"
#include "model/field_catalogue.h"
#include "model/settings.h"
#include "model/write_report.h"
#include "ui/field_lists.h"
#include "ui/form_builder.h"
#include "ui/messages.h"
#include "ui/open_dialog.h"

namespace {

// The form's behaviour: its commands, its lists' changes, the focus and the colours of
// its labels. ui/form_builder.cpp builds it, ui/field_lists.cpp keeps its lists.
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

    // Commands.
    void RunCommand(FormCommand command);
    void RefreshButtonClick();
    void SetRegistersButtonClick();
    void SaveClick();
    void RestoreClick();
    void LoadBootValuesClick();
    void LoadIntoLists(const std::string& path);
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
    OpenDialog openDialog_;
    HWND lastFocus_ = nullptr;    // given back when the window is active again
    bool endsMessageLoop_ = false;
};

void TSetRegisterForm::Build() {
    fonts_.window = CreateFormFont(kWindowFont, dpi_);
    fonts_.siteName = CreateFormFont(kSiteNameFont, dpi_);
    CreateFormControls(window_, fonts_, dpi_);
    lists_.Setup(window_, fonts_);
    if (machine_ == MachineState::Identified) {
        ReadAllRegisters();
        if (services_.registersFirstRead != nullptr) services_.registersFirstRead();
        lists_.RefreshAll();
    } else {
        lists_.EmptyAll();
    }
    EnableSetButton(false);
}

// A pick applies the picked choice; text typed with the list closed selects nothing
// and is never read as a value: it is replaced by what the cache holds.
void TSetRegisterForm::FieldListChange(HWND list) {
    if (lists_.UpdatingFromProgram()) return;
    const RegisterField* field = FieldLists::BoundField(list);
    if (field == nullptr) return;
    if (const FieldChoice* choice = FieldLists::PickedChoice(list)) {
        SetFieldValue(*field, static_cast<uint32_t>(choice->Value));
        EnableSetButton(true);
    } else {
        lists_.ShowUnknown(list);
    }
    lists_.RefreshAll();
}

void TSetRegisterForm::RunCommand(FormCommand command) {
    // Whatever sends it: a disabled command does nothing.
    if (!CommandAvailable(command)) return;
    switch (command) {
        case FormCommand::Refresh: RefreshButtonClick(); break;
        case FormCommand::SetRegisters: SetRegistersButtonClick(); break;
        case FormCommand::Save: SaveClick(); break;
        case FormCommand::Restore: RestoreClick(); break;
        case FormCommand::LoadBootValues: LoadBootValuesClick(); break;
        case FormCommand::ApplyStartupSettings: ApplyStartupSettingsClick(); break;
        case FormCommand::RemoveStartupSettings: RemoveStartupSettingsClick(); break;
        case FormCommand::Exit: Exit1Click(); break;
        case FormCommand::None: break;
    }
}

void TSetRegisterForm::RefreshButtonClick() {
    ReadAllRegisters();
    lists_.RefreshAll();
}

// What the chipset refused is said once the lists show what it kept.
void TSetRegisterForm::SetRegistersButtonClick() {
    const RegisterWrite write = WriteAllRegistersNoted();
    lists_.RefreshAll();
    EnableSetButton(false);
    if (services_.registersWritten != nullptr) services_.registersWritten(write);
    const std::string refused = RefusedFieldsText(write);
    if (!refused.empty()) ShowProgramMessage(refused, kApplicationTitle);
}

void TSetRegisterForm::SaveClick() {
    if (!openDialog_.Execute(window_, FileCommand::Save)) return;
    const std::string path = openDialog_.FileName();
    if (!services_.saveSettings(path.c_str()))
        ShowProgramMessage(Concat({"There was an error saving to file \"", path, "\"."}), "Save Error");
}

void TSetRegisterForm::RestoreClick() {
    if (!openDialog_.Execute(window_, FileCommand::Load)) return;
    LoadIntoLists(openDialog_.FileName());
}

// The snapshot of the boot is loaded as Load loads a file: into the lists, for Set.
void TSetRegisterForm::LoadBootValuesClick() {
    const std::string path = services_.bootSnapshot != nullptr ? services_.bootSnapshot() : std::string();
    if (!path.empty()) LoadIntoLists(path);
}

void TSetRegisterForm::LoadIntoLists(const std::string& path) {
    // A tuning made on another chipset or board is loaded only when the user says so.
    const std::string differences = MachineDifferencesOfFile(path.c_str());
    if (!differences.empty() && !AskProgramQuestion(OtherMachineQuestion(path, differences))) return;
    if (!services_.loadSettings(path.c_str()))
        ShowProgramMessage(Concat({"There was an error loading from file \"", path,
                                   "\".\nSome values may not have been loaded."}),
                           "Load Error");
    lists_.RefreshAll();
    EnableSetButton(true);
}

void TSetRegisterForm::ApplyStartupSettingsClick() { services_.applyStartupSettings(); }

void TSetRegisterForm::RemoveStartupSettingsClick() { services_.removeStartupSettings(); }

void TSetRegisterForm::Exit1Click() { SendMessageA(window_, WM_CLOSE, 0, 0); }

void TSetRegisterForm::EnableSetButton(bool enable) {
    setPending_ = enable;
    UpdateCommandStates();
}

// On a refused machine only what touches no chipset: the Run value and the window.
bool TSetRegisterForm::CommandAvailable(FormCommand command) const {
    switch (command) {
        case FormCommand::RemoveStartupSettings:
        case FormCommand::Exit:
        case FormCommand::None:
            return true;
        case FormCommand::SetRegisters:
            return machine_ == MachineState::Identified && setPending_;
        case FormCommand::LoadBootValues:
            return machine_ == MachineState::Identified && services_.bootSnapshot != nullptr &&
                   !services_.bootSnapshot().empty();
        default:
            return machine_ == MachineState::Identified;
    }
}

// The one place that decides which buttons and menu items are enabled; each change of
// what they depend on (the machine, pending picks) recomputes them all.
void TSetRegisterForm::UpdateCommandStates() {
    for (size_t i = 0; i < kFormControlCount; ++i)
        if (kFormControls[i].kind == ControlKind::Button)
            EnableButton(ControlHandle(window_, kFormControls[i]), CommandAvailable(kFormControls[i].command));
    HMENU menu = GetMenu(window_);
    for (size_t m = 0; m < kMainMenuCount; ++m)
        for (size_t i = 0; i < kMainMenu[m].itemCount; ++i) {
            const MenuItemDescription& item = kMainMenu[m].items[i];
            if (item.caption[0] == '\0') continue;  // a separator
            EnableMenuItem(GetSubMenu(menu, static_cast<int>(m)), static_cast<UINT>(MenuItemIdAt(m, i)),
                           MF_BYCOMMAND | (CommandAvailable(item.command) ? MF_ENABLED : MF_GRAYED));
        }
}

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
