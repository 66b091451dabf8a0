#include "ui/field_lists.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "hw/program_error.h"
#include "ui/form_scale.h"

namespace {

const char kUnknownText[] = "UNKNOWN";
// Where the device holding the field's register is missing from the machine.
const char kAbsentText[] = "absent";

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

// Labels whose description gives no size take the size of their text.
void FitLabelToText(HWND label, const ControlDescription& description, HFONT font) {
    if (description.width != 0 || description.height != 0) return;
    HDC dc = GetDC(label);
    const SIZE box = TextBox(dc, font, WindowText(label).c_str());
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, box.cx, box.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Each entry is the choice's text paired with the choice itself. The list draws
// nothing while it fills: nobody would see the entries arrive one by one.
void FillList(HWND list, const RegisterField& field) {
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

}  // namespace

void FieldLists::Setup(HWND window, const FormFonts& fonts) {
    rows_ = FindRows(window);
    for (const FieldRow& row : rows_) SetupFieldList(row.label, row.list, *row.field, fonts);
    FitListTexts(fonts.window);
}

std::vector<FieldLists::FieldRow> FieldLists::FindRows(HWND window) const {
    std::vector<FieldRow> rows;
    for (const RegisterField& field : FieldCatalogue) {
        FieldRow row = {nullptr, nullptr, &field};
        for (size_t i = 0; i < kFormControlCount; ++i) {
            const ControlDescription& control = kFormControls[i];
            if (ShownField(control) != &field) continue;
            if (control.kind == ControlKind::FieldLabel) row.label = ControlHandle(window, control);
            if (control.kind == ControlKind::FieldList) row.list = ControlHandle(window, control);
        }
        if (row.label == nullptr || row.list == nullptr)
            throw ProgramError(std::string("The window has no row for ") + field.Name);
        rows.push_back(row);
    }
    return rows;
}

void FieldLists::SetupFieldList(HWND label, HWND list, const RegisterField& field, const FormFonts& fonts) {
    ProgramUpdate update(updating_);
    const ControlDescription* description = DescriptionOfId(GetDlgCtrlID(label));
    if (WindowText(label) != field.Name) {
        SetWindowTextA(label, field.Name);
        if (description != nullptr) FitLabelToText(label, *description, fonts.Of(*description));
    }
    SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&field));
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    ShowUnknown(list);
    FillList(list, field);
}

// A text field keeps a margin at each side of its text. Where the font is wider than
// the one the form was drawn with (MS Sans Serif missing), the margins give way so
// that "UNKNOWN" and every entry still show whole.
void FieldLists::FitListTexts(HFONT font) {
    HDC measuring = CreateCompatibleDC(nullptr);
    for (const FieldRow& row : rows_)
        MakeRoomInTextField(row.list, WidestListText(measuring, font, *row.field));
    DeleteDC(measuring);
}

const RegisterField* FieldLists::BoundField(HWND list) {
    return reinterpret_cast<const RegisterField*>(GetWindowLongPtrA(list, GWLP_USERDATA));
}

void FieldLists::ShowUnknown(HWND list) {
    ProgramUpdate update(updating_);
    SetWindowTextA(list, kUnknownText);
}

void FieldLists::SelectCurrentChoice(HWND list, const RegisterField& field) {
    ProgramUpdate update(updating_);
    // A field of a missing device offers nothing to pick: its bits were never read and
    // are never written.
    const bool present = field.Register->Present;
    if ((IsWindowEnabled(list) != FALSE) != present) EnableWindow(list, present ? TRUE : FALSE);
    if (!present) {
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextA(list, kAbsentText);
        return;
    }
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
    ShowUnknown(list);
}

void FieldLists::EmptyAll() {
    ProgramUpdate update(updating_);
    for (const FieldRow& row : rows_) {
        SendMessageA(row.list, CB_RESETCONTENT, 0, 0);
        SetWindowTextA(row.list, "");
        EnableWindow(row.list, FALSE);
    }
}

void FieldLists::RefreshAll() {
    for (const FieldRow& row : rows_) SelectCurrentChoice(row.list, *row.field);
}

const FieldChoice* FieldLists::PickedChoice(HWND list) {
    const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= SendMessageA(list, CB_GETCOUNT, 0, 0)) return nullptr;
    return reinterpret_cast<const FieldChoice*>(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}
