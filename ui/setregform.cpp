#include "ui/setregform.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/startup_registration.h"
#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "model/program_error.h"
#include "model/settings.h"
#include "ui/access_keys.h"
#include "ui/form_layout.h"
#include "ui/open_dialog.h"
#include "ui/resource_ids.h"

namespace {

// The keyboard interface sends IDOK and IDCANCEL for Enter and Escape, and a list's
// own text field and drop-down are 1001 and 1000; our identifiers stay clear of them.
constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 2000;
constexpr int kMenuIdStride = 100;

constexpr int kSelectionFieldHeight = 21;
constexpr int kDropDownBorders = 2;  // the open list's frame, above and below its rows

const char kUnknownText[] = "UNKNOWN";

const DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
const DWORD kWindowExStyle = 0;

// A field's row in the window: its caption, its list and the field it shows.
struct FieldRow {
    HWND label;
    HWND list;
    const RegisterField* field;
};

// Marks the program's own changes of the lists for as long as it lives, so that a
// list's change notification can never be taken for the user's.
class ProgramUpdate {
public:
    explicit ProgramUpdate(bool& flag) : flag_(flag), outer_(flag) { flag_ = true; }
    ~ProgramUpdate() { flag_ = outer_; }
    ProgramUpdate(const ProgramUpdate&) = delete;
    ProgramUpdate& operator=(const ProgramUpdate&) = delete;

private:
    bool& flag_;
    bool outer_;
};

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string ListItemText(HWND list, LRESULT index) {
    const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

HFONT CreateFormFont(const FontDescription& description) {
    LOGFONTA font = {};
    font.lfHeight = -description.characterHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = description.fixedPitch ? FIXED_PITCH : DEFAULT_PITCH;
    lstrcpynA(font.lfFaceName, description.face, LF_FACESIZE);
    HFONT handle = CreateFontIndirectA(&font);
    if (handle == nullptr) throw ProgramError(std::string("Unable to create the font ") + description.face);
    return handle;
}

const FontDescription& FontOf(const ControlDescription& control) {
    return control.font == ControlFont::SiteName ? kSiteNameFont : kWindowFont;
}

int ControlId(const ControlDescription& control) {
    return kFirstControlId + static_cast<int>(&control - kFormControls);
}

const ControlDescription* DescriptionOfId(int id) {
    const int index = id - kFirstControlId;
    if (index < 0 || static_cast<size_t>(index) >= kFormControlCount) return nullptr;
    return &kFormControls[index];
}

int MenuItemId(size_t menu, size_t item) {
    return kFirstMenuId + static_cast<int>(menu) * kMenuIdStride + static_cast<int>(item);
}

FormCommand MenuCommandOfId(int id) {
    for (size_t m = 0; m < kMainMenuCount; ++m)
        for (size_t i = 0; i < kMainMenu[m].itemCount; ++i)
            if (MenuItemId(m, i) == id) return kMainMenu[m].items[i].command;
    return FormCommand::None;
}

std::vector<std::string> Captions(const MenuItemDescription* items, size_t count) {
    std::vector<std::string> captions;
    for (size_t i = 0; i < count; ++i) captions.push_back(items[i].caption);
    return captions;
}

HMENU BuildPopupMenu(size_t menu) {
    const MenuDescription& description = kMainMenu[menu];
    const std::vector<std::string> captions = Captions(description.items, description.itemCount);
    const std::vector<size_t> keys = AssignAccessKeys(captions);
    HMENU popup = CreatePopupMenu();
    for (size_t i = 0; i < description.itemCount; ++i) {
        if (captions[i].empty())
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(MenuItemId(menu, i)),
                        MarkAccessKey(captions[i], keys[i]).c_str());
    }
    return popup;
}

HMENU BuildMainMenu() {
    std::vector<std::string> captions;
    for (size_t m = 0; m < kMainMenuCount; ++m) captions.push_back(kMainMenu[m].caption);
    const std::vector<size_t> keys = AssignAccessKeys(captions);
    HMENU bar = CreateMenu();
    for (size_t m = 0; m < kMainMenuCount; ++m)
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildPopupMenu(m)),
                    MarkAccessKey(captions[m], keys[m]).c_str());
    return bar;
}

// Window class and style of each kind of control. Group boxes and labels start a
// keyboard group of their own, so the arrow keys move only between the tab stops
// that follow them (the two buttons).
struct ControlClass {
    const char* windowClass;
    DWORD style;
};

ControlClass ClassOf(ControlKind kind) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    switch (kind) {
        case ControlKind::GroupBox:
            return {"BUTTON", child | WS_GROUP | BS_GROUPBOX};
        case ControlKind::FieldLabel:
        case ControlKind::InfoLabel:
            return {"STATIC", child | WS_GROUP | SS_LEFT | SS_NOPREFIX};
        case ControlKind::FieldList:
            return {"COMBOBOX", child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL};
        case ControlKind::Button:
            return {"BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON};
    }
    return {"STATIC", child};
}

class TSetRegisterForm {
public:
    TSetRegisterForm(HWND window, const FormServices& services)
        : window_(window), services_(services) {}
    ~TSetRegisterForm() {
        if (windowFont_) DeleteObject(windowFont_);
        if (siteNameFont_) DeleteObject(siteNameFont_);
    }
    TSetRegisterForm(const TSetRegisterForm&) = delete;
    TSetRegisterForm& operator=(const TSetRegisterForm&) = delete;

    // Window creation, once the frame exists.
    void Build();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    void EndMessageLoopOnClose() { endsMessageLoop_ = true; }
    void FocusFirstControl();

private:
    // Building.
    void CreateControls();
    HWND CreateControl(const ControlDescription& control);
    void SetLabelCaption(HWND label, const char* caption);
    void SetSelectionFieldHeight(HWND list);
    void SetDropDownRows(HWND list, size_t rows);
    std::vector<FieldRow> FieldRows() const;
    HWND Control(const char* name) const { return FindFormControl(window_, name); }
    HFONT FontHandle(const ControlDescription& control) const;

    // The rows and their lists.
    void SetupFieldList(HWND label, HWND list, const RegisterField& field);
    void SelectCurrentChoice(HWND list, const RegisterField& field);
    void RefreshAllLists();
    void FieldListChange(HWND list);
    void SetListText(HWND list, const char* text);
    static const RegisterField* BoundField(HWND list);

    // Commands.
    void RunCommand(FormCommand command);
    void RefreshButtonClick();
    void SetRegistersButtonClick();
    void SaveClick();
    void RestoreClick();
    void ApplyStartupSettingsClick();
    void RemoveStartupSettingsClick();
    void Exit1Click();
    void EnableSetButton(bool enable);

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
    HFONT windowFont_ = nullptr;
    HFONT siteNameFont_ = nullptr;
    std::vector<FieldRow> rows_;  // catalogue order
    OpenDialog openDialog_;
    HWND lastFocus_ = nullptr;    // given back when the window is active again
    bool updatingLists_ = false;
    bool endsMessageLoop_ = false;
};

void TSetRegisterForm::Build() {
    windowFont_ = CreateFormFont(kWindowFont);
    siteNameFont_ = CreateFormFont(kSiteNameFont);
    CreateControls();
    rows_ = FieldRows();
    for (const FieldRow& row : rows_) SetupFieldList(row.label, row.list, *row.field);
    EnableSetButton(false);
    ReadAllRegisters();
    RefreshAllLists();
}

HFONT TSetRegisterForm::FontHandle(const ControlDescription& control) const {
    return control.font == ControlFont::SiteName ? siteNameFont_ : windowFont_;
}

// In keyboard order, so that the Tab key visits the controls as the form lists them.
void TSetRegisterForm::CreateControls() {
    for (const ControlDescription* control : CreationOrder()) {
        HWND handle = CreateControl(*control);
        if (control->kind == ControlKind::FieldList) SetSelectionFieldHeight(handle);
        if (control->width == 0 && control->height == 0) SetLabelCaption(handle, control->caption);
    }
}

HWND TSetRegisterForm::CreateControl(const ControlDescription& control) {
    const ControlClass kind = ClassOf(control.kind);
    HWND handle = CreateWindowExA(0, kind.windowClass, control.caption, kind.style,
                                  ClientLeft(control), ClientTop(control), control.width,
                                  control.height, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))),
                                  reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE)),
                                  nullptr);
    if (handle == nullptr) throw ProgramError(std::string("Unable to create the control ") + control.name);
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(control)), FALSE);
    return handle;
}

// Labels whose description gives no size take the size of their text.
void TSetRegisterForm::SetLabelCaption(HWND label, const char* caption) {
    SetWindowTextA(label, caption);
    const ControlDescription* description = DescriptionOfId(GetDlgCtrlID(label));
    if (description == nullptr || description->width != 0 || description->height != 0) return;
    HDC dc = GetDC(label);
    HGDIOBJ previous = SelectObject(dc, FontHandle(*description));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, caption, lstrlenA(caption), &extent);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, extent.cx, metrics.tmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The selection field follows the font unless told otherwise; the lists keep the
// height of the form description whatever the font's metrics.
void TSetRegisterForm::SetSelectionFieldHeight(HWND list) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        RECT bounds;
        GetWindowRect(list, &bounds);
        const int difference = kSelectionFieldHeight - (bounds.bottom - bounds.top);
        if (difference == 0) return;
        const LRESULT field = SendMessageA(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        SendMessageA(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field + difference);
    }
}

// The classic drop-down opens as tall as the list was made; the newer one counts
// rows (CB_SETMINVISIBLE). Both are set so that every entry shows without scrolling.
void TSetRegisterForm::SetDropDownRows(HWND list, size_t rows) {
    const int shown = static_cast<int>(std::max<size_t>(rows, 1));
    SendMessageA(list, CB_SETMINVISIBLE, static_cast<WPARAM>(shown), 0);
    const LRESULT itemHeight = SendMessageA(list, CB_GETITEMHEIGHT, 0, 0);
    RECT bounds;
    GetWindowRect(list, &bounds);
    SetWindowPos(list, nullptr, 0, 0, bounds.right - bounds.left,
                 kSelectionFieldHeight + shown * static_cast<int>(itemHeight) + kDropDownBorders,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<FieldRow> TSetRegisterForm::FieldRows() const {
    std::vector<FieldRow> rows;
    for (const RegisterField& field : FieldCatalogue) {
        FieldRow row = {nullptr, nullptr, &field};
        for (size_t i = 0; i < kFormControlCount; ++i) {
            const ControlDescription& control = kFormControls[i];
            if (ShownField(control) != &field) continue;
            if (control.kind == ControlKind::FieldLabel) row.label = Control(control.name);
            if (control.kind == ControlKind::FieldList) row.list = Control(control.name);
        }
        if (row.label == nullptr || row.list == nullptr)
            throw ProgramError(std::string("The window has no row for ") + field.Name);
        rows.push_back(row);
    }
    return rows;
}

void TSetRegisterForm::SetupFieldList(HWND label, HWND list, const RegisterField& field) {
    ProgramUpdate update(updatingLists_);
    SetLabelCaption(label, field.Name);
    SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&field));
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SetListText(list, kUnknownText);
    size_t count = 0;
    for (; field.Choices[count] != &NoChoice; ++count) {
        const FieldChoice* choice = field.Choices[count];
        const std::string text = ChoiceDisplayLabel(field, *choice);
        const LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0) throw ProgramError(std::string("Unable to fill the list ") + field.Name);
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(choice));
    }
    SetDropDownRows(list, count);
}

const RegisterField* TSetRegisterForm::BoundField(HWND list) {
    return reinterpret_cast<const RegisterField*>(GetWindowLongPtrA(list, GWLP_USERDATA));
}

void TSetRegisterForm::SetListText(HWND list, const char* text) {
    ProgramUpdate update(updatingLists_);
    SetWindowTextA(list, text);
}

void TSetRegisterForm::SelectCurrentChoice(HWND list, const RegisterField& field) {
    ProgramUpdate update(updatingLists_);
    const FieldChoice* current = FindChoice(field);
    const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto* choice = reinterpret_cast<const FieldChoice*>(
            SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        if (choice != current) continue;
        // Selecting also puts the entry's text in the text field; a list that already
        // shows the entry is left alone.
        if (SendMessageA(list, CB_GETCURSEL, 0, 0) != i || WindowText(list) != ListItemText(list, i))
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        return;
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetListText(list, kUnknownText);
}

void TSetRegisterForm::RefreshAllLists() {
    for (const FieldRow& row : rows_) SelectCurrentChoice(row.list, *row.field);
}

// A pick applies the picked choice; text typed with the list closed selects nothing
// and is never read as a value: it is replaced by what the cache holds.
void TSetRegisterForm::FieldListChange(HWND list) {
    if (updatingLists_) return;
    const RegisterField* field = BoundField(list);
    if (field == nullptr) return;
    const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index >= 0 && index < SendMessageA(list, CB_GETCOUNT, 0, 0)) {
        const auto* choice = reinterpret_cast<const FieldChoice*>(
            SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
        SetFieldValue(*field, static_cast<uint32_t>(choice->Value));
        EnableSetButton(true);
    } else {
        SetListText(list, kUnknownText);
    }
    RefreshAllLists();
}

void TSetRegisterForm::RunCommand(FormCommand command) {
    switch (command) {
        case FormCommand::Refresh: RefreshButtonClick(); break;
        case FormCommand::SetRegisters: SetRegistersButtonClick(); break;
        case FormCommand::Save: SaveClick(); break;
        case FormCommand::Restore: RestoreClick(); break;
        case FormCommand::ApplyStartupSettings: ApplyStartupSettingsClick(); break;
        case FormCommand::RemoveStartupSettings: RemoveStartupSettingsClick(); break;
        case FormCommand::Exit: Exit1Click(); break;
        case FormCommand::None: break;
    }
}

void TSetRegisterForm::RefreshButtonClick() {
    ReadAllRegisters();
    RefreshAllLists();
}

void TSetRegisterForm::SetRegistersButtonClick() {
    WriteAllRegisters();
    RefreshAllLists();
    EnableSetButton(false);
}

void TSetRegisterForm::SaveClick() {
    if (!openDialog_.Execute(window_, FileCommand::Save)) return;
    const std::string path = openDialog_.FileName();
    if (!services_.saveSettings(path.c_str()))
        ShowProgramMessage("There was an error saving to file \"" + path + "\".", "Save Error");
}

void TSetRegisterForm::RestoreClick() {
    if (!openDialog_.Execute(window_, FileCommand::Load)) return;
    const std::string path = openDialog_.FileName();
    if (!services_.loadSettings(path.c_str()))
        ShowProgramMessage("There was an error loading from file \"" + path +
                               "\".\nSome values may not have been loaded.",
                           "Load Error");
    RefreshAllLists();
    EnableSetButton(true);
}

void TSetRegisterForm::ApplyStartupSettingsClick() { services_.applyStartupSettings(); }

void TSetRegisterForm::RemoveStartupSettingsClick() { services_.removeStartupSettings(); }

void TSetRegisterForm::Exit1Click() { SendMessageA(window_, WM_CLOSE, 0, 0); }

// A disabled control cannot keep the focus: Set, pressed from the keyboard, hands
// it on to the next control so the keyboard keeps working.
void TSetRegisterForm::EnableSetButton(bool enable) {
    HWND button = Control("SetRegistersButton");
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

void AttachForm(HWND window, LPARAM createStruct) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(createStruct);
    const auto* services = static_cast<const FormServices*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TSetRegisterForm(window, *services)));
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

void RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, kMainForm.className, &existing)) return;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FormWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLON), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLON), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainForm.className;
    if (!RegisterClassExA(&windowClass)) throw ProgramError("Unable to register the main window's class");
}

SIZE FrameSize(int clientWidth, int clientHeight) {
    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, kWindowStyle, TRUE, kWindowExStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// Places the frame so that the client area has the form's size (the menu bar lies
// outside it, however many lines it takes) and the window sits centred on the desktop.
void FitAndCentre(HWND window) {
    SIZE frame = FrameSize(kMainForm.clientWidth, kMainForm.clientHeight);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2, frame.cx, frame.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client;
        GetClientRect(window, &client);
        const int dx = kMainForm.clientWidth - client.right;
        const int dy = kMainForm.clientHeight - client.bottom;
        if (dx == 0 && dy == 0) return;
        frame.cx += dx;
        frame.cy += dy;
    }
}

}  // namespace

const FormServices& ProgramServices() {
    static const FormServices services = {SaveSettings, LoadSettings, ApplyStartupSettings,
                                          RemoveStartupSettings};
    return services;
}

HWND CreateMainWindow(HINSTANCE instance, HWND owner, const FormServices& services) {
    RegisterFormClass(instance);
    HMENU menu = BuildMainMenu();
    const SIZE frame = FrameSize(kMainForm.clientWidth, kMainForm.clientHeight);
    HWND window = CreateWindowExA(kWindowExStyle, kMainForm.className, kMainForm.caption, kWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy, owner, menu,
                                  instance, const_cast<FormServices*>(&services));
    if (window == nullptr) {
        DestroyMenu(menu);
        return nullptr;
    }
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
    return control == nullptr ? nullptr : GetDlgItem(window, ControlId(*control));
}

int RunMainWindow(HINSTANCE instance, HWND owner) {
    HWND window = CreateMainWindow(instance, owner);
    if (window == nullptr) throw ProgramError("Unable to create the main window");
    FormOf(window)->EndMessageLoopOnClose();
    ShowMainWindow(window);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchFormMessage(window, message);
    return static_cast<int>(message.wParam);
}
