#include "ui/setregform.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hw/pci_registers.h"
#include "hw/program_error.h"
#include "model/field_catalogue.h"
#include "ui/access_keys.h"
#include "ui/form_layout.h"
#include "ui/form_scale.h"
#include "ui/messages.h"
#include "ui/open_dialog.h"
#include "ui/resource_ids.h"

namespace {

// The keyboard interface sends IDOK and IDCANCEL for Enter and Escape, and a list's
// own text field and drop-down are 1001 and 1000; our identifiers stay clear of them.
constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 2000;
constexpr int kMenuIdStride = 100;

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

// The width of a text in the font and the height of its line.
SIZE TextBox(HDC dc, HFONT font, const char* text) {
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    return {extent.cx, metrics.tmHeight};
}

// The DPI the system draws at; the window scales its 96-dpi description to it.
int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

HFONT CreateFontOfFace(const FontDescription& description, const char* face, int dpi) {
    LOGFONTA font = {};
    font.lfHeight = -ScaleToDpi(description.characterHeight, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = description.fixedPitch ? FIXED_PITCH : DEFAULT_PITCH;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    HFONT handle = CreateFontIndirectA(&font);
    if (handle == nullptr) throw ProgramError(std::string("Unable to create the font ") + face);
    return handle;
}

// The face the system really draws a font in.
std::string RealisedFace(HFONT font) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(screen, sizeof face, face);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return face;
}

HFONT CreateFormFont(const FontDescription& description, int dpi) {
    HFONT font = CreateFontOfFace(description, description.face, dpi);
    if (description.fallbackFace[0] == '\0' || lstrcmpiA(RealisedFace(font).c_str(), description.face) == 0)
        return font;
    DeleteObject(font);
    return CreateFontOfFace(description, description.fallbackFace, dpi);
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
        : window_(window), services_(services), dpi_(SystemDpi()) {}
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
    HWND CreateControl(const ControlDescription& control, HDC measuring);
    void FitLabelToText(HWND label, const ControlDescription& description);
    void SetSelectionFieldHeight(HWND list, int height);
    void SetDropDownRows(HWND list, size_t rows);
    void FillList(HWND list, const RegisterField& field);
    void FitListTexts();
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
    int dpi_;
    HFONT windowFont_ = nullptr;
    HFONT siteNameFont_ = nullptr;
    std::vector<FieldRow> rows_;  // catalogue order
    OpenDialog openDialog_;
    HWND lastFocus_ = nullptr;    // given back when the window is active again
    bool updatingLists_ = false;
    bool endsMessageLoop_ = false;
};

void TSetRegisterForm::Build() {
    windowFont_ = CreateFormFont(kWindowFont, dpi_);
    siteNameFont_ = CreateFormFont(kSiteNameFont, dpi_);
    CreateControls();
    rows_ = FieldRows();
    for (const FieldRow& row : rows_) SetupFieldList(row.label, row.list, *row.field);
    FitListTexts();
    EnableSetButton(false);
    ReadAllRegisters();
    RefreshAllLists();
}

HFONT TSetRegisterForm::FontHandle(const ControlDescription& control) const {
    return control.font == ControlFont::SiteName ? siteNameFont_ : windowFont_;
}

// In keyboard order, so that the Tab key visits the controls as the form lists them.
// One device context measures the labels' texts for the whole pass.
void TSetRegisterForm::CreateControls() {
    HDC measuring = CreateCompatibleDC(nullptr);
    for (const ControlDescription* control : CreationOrder()) {
        HWND handle = CreateControl(*control, measuring);
        if (control->kind == ControlKind::FieldList)
            SetSelectionFieldHeight(handle, ScaledClientBounds(*control, dpi_).height);
    }
    DeleteDC(measuring);
}

// A field label starts with the field's name, which its row sets again. Labels whose
// description gives no size are made the size of their text at once: resizing a
// control afterwards costs more than measuring first.
HWND TSetRegisterForm::CreateControl(const ControlDescription& control, HDC measuring) {
    const ControlClass kind = ClassOf(control.kind);
    const RegisterField* field = control.kind == ControlKind::FieldLabel ? ShownField(control) : nullptr;
    const char* caption = field != nullptr ? field->Name : control.caption;
    ScaledBounds bounds = ScaledClientBounds(control, dpi_);
    if (control.width == 0 && control.height == 0) {
        const SIZE box = TextBox(measuring, FontHandle(control), caption);
        bounds.width = box.cx;
        bounds.height = box.cy;
    }
    HWND handle = CreateWindowExA(0, kind.windowClass, caption, kind.style, bounds.left, bounds.top,
                                  bounds.width, bounds.height, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))),
                                  reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE)),
                                  nullptr);
    if (handle == nullptr) throw ProgramError(std::string("Unable to create the control ") + control.name);
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(control)), FALSE);
    return handle;
}

// Labels whose description gives no size take the size of their text.
void TSetRegisterForm::FitLabelToText(HWND label, const ControlDescription& description) {
    if (description.width != 0 || description.height != 0) return;
    HDC dc = GetDC(label);
    const SIZE box = TextBox(dc, FontHandle(description), WindowText(label).c_str());
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, box.cx, box.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowHeight(HWND window) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    return bounds.bottom - bounds.top;
}

// The selection field follows the font unless told otherwise; the lists keep the
// height of the form description whatever the font's metrics. What the list reports
// as its field's height need not be what it takes when told (Wine counts a frame in
// one and not the other), so the request is corrected by what the list became.
void TSetRegisterForm::SetSelectionFieldHeight(HWND list, int height) {
    int difference = height - WindowHeight(list);
    if (difference == 0) return;
    LRESULT request = SendMessageA(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0) + difference;
    for (int attempt = 0; attempt < 3 && difference != 0 && request > 0; ++attempt) {
        SendMessageA(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
        difference = height - WindowHeight(list);
        request += difference;
    }
}

// The frame around the rows of a list's drop-down, above and below together, from
// the styles the drop-down really has (it has no size of its own until it opens).
int DropDownBorders(HWND list) {
    COMBOBOXINFO parts = {};
    parts.cbSize = sizeof parts;
    if (!GetComboBoxInfo(list, &parts) || parts.hwndList == nullptr) return 0;
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(parts.hwndList, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(parts.hwndList, GWL_EXSTYLE)));
    return frame.bottom - frame.top;
}

// The classic drop-down opens as tall as the list was made; the newer one counts
// rows (CB_SETMINVISIBLE). Both are set so that every entry shows without scrolling,
// from the heights the list really has: its selection field (a closed list's window
// is just that), its entries and the frame of its drop-down.
void TSetRegisterForm::SetDropDownRows(HWND list, size_t rows) {
    SendMessageA(list, CB_SETMINVISIBLE, static_cast<WPARAM>(std::max<size_t>(rows, 1)), 0);
    const int itemHeight = static_cast<int>(SendMessageA(list, CB_GETITEMHEIGHT, 0, 0));
    RECT field;
    GetWindowRect(list, &field);
    SetWindowPos(list, nullptr, 0, 0, field.right - field.left,
                 DropDownListHeight(field.bottom - field.top, itemHeight, rows, DropDownBorders(list)),
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
    const ControlDescription* description = DescriptionOfId(GetDlgCtrlID(label));
    if (WindowText(label) != field.Name) {
        SetWindowTextA(label, field.Name);
        if (description != nullptr) FitLabelToText(label, *description);
    }
    SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&field));
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SetListText(list, kUnknownText);
    FillList(list, field);
    SetDropDownRows(list, ChoiceCount(field));
}

// Each entry is the choice's text paired with the choice itself. The list draws
// nothing while it fills: nobody would see the entries arrive one by one.
void TSetRegisterForm::FillList(HWND list, const RegisterField& field) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 0; field.Choices[i] != &NoChoice; ++i) {
        const FieldChoice* choice = field.Choices[i];
        const std::string text = ChoiceDisplayLabel(field, *choice);
        const LRESULT index = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0) throw ProgramError(std::string("Unable to fill the list ") + field.Name);
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(choice));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

// The widest text a field's list can show: an entry, or "UNKNOWN".
int WidestListText(HDC dc, HFONT font, const RegisterField& field) {
    int widest = TextBox(dc, font, kUnknownText).cx;
    for (size_t i = 0; field.Choices[i] != &NoChoice; ++i) {
        const std::string text = ChoiceDisplayLabel(field, *field.Choices[i]);
        widest = std::max(widest, static_cast<int>(TextBox(dc, font, text.c_str()).cx));
    }
    return widest;
}

// Narrows the margins at the sides of the list's text field where a text that wide
// would not fit between them.
void MakeRoomInTextField(HWND list, int textWidth) {
    COMBOBOXINFO parts = {};
    parts.cbSize = sizeof parts;
    if (!GetComboBoxInfo(list, &parts) || parts.hwndItem == nullptr) return;
    RECT field;
    GetClientRect(parts.hwndItem, &field);
    const LRESULT margins = SendMessageA(parts.hwndItem, EM_GETMARGINS, 0, 0);
    if (textWidth <= field.right - LOWORD(margins) - HIWORD(margins)) return;
    const int margin = std::max(0, static_cast<int>(field.right - textWidth) / 2);
    SendMessageA(parts.hwndItem, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
}

// A text field keeps a margin at each side of its text. Where the font is wider than
// the one the form was drawn with (MS Sans Serif missing), the margins give way so
// that "UNKNOWN" and every entry still show whole.
void TSetRegisterForm::FitListTexts() {
    HDC measuring = CreateCompatibleDC(nullptr);
    for (const FieldRow& row : rows_)
        MakeRoomInTextField(row.list, WidestListText(measuring, windowFont_, *row.field));
    DeleteDC(measuring);
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

// The form's client area at the system's DPI.
SIZE ClientSize() {
    const int dpi = SystemDpi();
    return {ScaleToDpi(kMainForm.clientWidth, dpi), ScaleToDpi(kMainForm.clientHeight, dpi)};
}

SIZE FrameSize(SIZE clientSize) {
    RECT frame = {0, 0, clientSize.cx, clientSize.cy};
    AdjustWindowRectEx(&frame, kWindowStyle, TRUE, kWindowExStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

POINT CentredOnDesktop(SIZE frame) {
    return {(GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2};
}

// The window is created centred with the frame the form's client area needs. Where the
// menu bar takes more lines than one (it lies outside the client area), the frame grows
// and is centred again.
void FitAndCentre(HWND window) {
    const SIZE wanted = ClientSize();
    for (int attempt = 0; attempt < 2; ++attempt) {
        RECT client, bounds;
        GetClientRect(window, &client);
        const int dx = wanted.cx - client.right;
        const int dy = wanted.cy - client.bottom;
        if (dx == 0 && dy == 0) return;
        GetWindowRect(window, &bounds);
        const SIZE frame = {bounds.right - bounds.left + dx, bounds.bottom - bounds.top + dy};
        const POINT at = CentredOnDesktop(frame);
        SetWindowPos(window, nullptr, at.x, at.y, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance, HWND owner, const FormServices& services) {
    RegisterFormClass(instance);
    HMENU menu = BuildMainMenu();
    const SIZE frame = FrameSize(ClientSize());
    const POINT at = CentredOnDesktop(frame);
    HWND window = CreateWindowExA(kWindowExStyle, kMainForm.className, kMainForm.caption, kWindowStyle, at.x,
                                  at.y, frame.cx, frame.cy, owner, menu, instance,
                                  const_cast<FormServices*>(&services));
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

int RunMainWindow(HINSTANCE instance, HWND owner, const FormServices& services) {
    HWND window = CreateMainWindow(instance, owner, services);
    if (window == nullptr) throw ProgramError("Unable to create the main window");
    FormOf(window)->EndMessageLoopOnClose();
    ShowMainWindow(window);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchFormMessage(window, message);
    return static_cast<int>(message.wParam);
}
