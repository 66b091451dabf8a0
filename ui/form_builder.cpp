#include "ui/form_builder.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hw/program_error.h"
#include "ui/access_keys.h"
#include "ui/form_scale.h"
#include "ui/resource_ids.h"

namespace {

// The keyboard interface sends IDOK and IDCANCEL for Enter and Escape, and a list's
// own text field and drop-down are 1001 and 1000; our identifiers stay clear of them.
constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 2000;
constexpr int kMenuIdStride = 100;

const DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
const DWORD kWindowExStyle = 0;

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
            AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(MenuItemIdAt(menu, i)),
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
        case ControlKind::PanelLabel:
            // SS_NOTIFY: a static is otherwise transparent to the mouse, and its tooltip
            // would never show.
            return {"STATIC", child | WS_GROUP | SS_LEFT | SS_NOPREFIX | SS_NOTIFY};
    }
    return {"STATIC", child};
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
void SetSelectionFieldHeight(HWND list, int height) {
    int difference = height - WindowHeight(list);
    if (difference == 0) return;
    LRESULT request = SendMessageA(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0) + difference;
    for (int attempt = 0; attempt < 3 && difference != 0 && request > 0; ++attempt) {
        SendMessageA(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
        difference = height - WindowHeight(list);
        request += difference;
    }
}

// A field label starts with the field's name, which its row sets again. Labels whose
// description gives no size are made the size of their text at once: resizing a
// control afterwards costs more than measuring first. A list is made `height` tall.
// The control is left in the system's font.
HWND MakeControl(HWND window, const ControlDescription& control, HFONT font, int dpi, HDC measuring,
                 int height = 0) {
    const ControlClass kind = ClassOf(control.kind);
    const RegisterField* field = control.kind == ControlKind::FieldLabel ? ShownField(control) : nullptr;
    const char* caption = field != nullptr ? field->Name : control.caption;
    ScaledBounds bounds = ScaledClientBounds(control, dpi);
    if (height != 0) bounds.height = height;
    if (control.width == 0 && control.height == 0) {
        const SIZE box = TextBox(measuring, font, caption);
        bounds.width = box.cx;
        bounds.height = box.cy;
    }
    HWND handle = CreateWindowExA(0, kind.windowClass, caption, kind.style, bounds.left, bounds.top,
                                  bounds.width, bounds.height, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))),
                                  reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)),
                                  nullptr);
    if (handle == nullptr) throw ProgramError(std::string("Unable to create the control ") + control.name);
    return handle;
}

void SetControlFont(HWND control, HFONT font) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
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

// What a list's drop-down is made of besides its selection field: a row per entry
// and a frame. A list takes for its drop-down what the height it is made leaves below
// its selection field as first made, in the system's font (a later font or field height
// keeps the drop-down as it is). Every list made in one font has the same.
struct DropDownMetrics {
    HFONT font = nullptr;
    int fieldAsMade = 0;
    int itemHeight = 0;
    int borders = 0;
};

// The height that makes a list's drop-down show every entry, below a selection field
// that tall.
int OpenedHeight(const ControlDescription& control, int fieldHeight, const DropDownMetrics& metrics) {
    return DropDownListHeight(fieldHeight, metrics.itemHeight, ChoiceCount(*ShownField(control)), metrics.borders);
}

// The classic drop-down opens as tall as the list was made, less its selection field;
// the newer one counts rows (CB_SETMINVISIBLE). Both are set so that every entry shows
// without scrolling. The heights of rows and frame are measured, from what the list
// really has, on the first list made in a font, which alone is then resized: every
// later list is made at its full height at once, as resizing a list costs more than
// making it.
HWND CreateFieldList(HWND window, const ControlDescription& control, HFONT font, int dpi, HDC measuring,
                     DropDownMetrics& metrics) {
    const int fieldHeight = ScaledClientBounds(control, dpi).height;
    const bool measured = metrics.font == font;
    HWND list = MakeControl(window, control, font, dpi, measuring,
                            measured ? OpenedHeight(control, metrics.fieldAsMade, metrics) : fieldHeight);
    const int fieldAsMade = WindowHeight(list);
    SetControlFont(list, font);
    SetSelectionFieldHeight(list, fieldHeight);
    SendMessageA(list, CB_SETMINVISIBLE, std::max<size_t>(ChoiceCount(*ShownField(control)), 1), 0);
    if (measured) return list;
    metrics = {font, fieldAsMade, static_cast<int>(SendMessageA(list, CB_GETITEMHEIGHT, 0, 0)),
               DropDownBorders(list)};
    RECT field;
    GetWindowRect(list, &field);
    SetWindowPos(list, nullptr, 0, 0, field.right - field.left,
                 OpenedHeight(control, field.bottom - field.top, metrics),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return list;
}

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, kMainForm.className, &existing)) return;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
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

}  // namespace

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

SIZE TextBox(HDC dc, HFONT font, const char* text) {
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    return {extent.cx, metrics.tmHeight};
}

HFONT CreateFormFont(const FontDescription& description, int dpi) {
    HFONT font = CreateFontOfFace(description, description.face, dpi);
    if (description.fallbackFace[0] == '\0' || lstrcmpiA(RealisedFace(font).c_str(), description.face) == 0)
        return font;
    DeleteObject(font);
    return CreateFontOfFace(description, description.fallbackFace, dpi);
}

int ControlId(const ControlDescription& control) {
    return kFirstControlId + static_cast<int>(&control - kFormControls);
}

const ControlDescription* DescriptionOfId(int id) {
    const int index = id - kFirstControlId;
    if (index < 0 || static_cast<size_t>(index) >= kFormControlCount) return nullptr;
    return &kFormControls[index];
}

HWND ControlHandle(HWND window, const ControlDescription& control) {
    return GetDlgItem(window, ControlId(control));
}

int MenuItemIdAt(size_t menu, size_t item) {
    return kFirstMenuId + static_cast<int>(menu) * kMenuIdStride + static_cast<int>(item);
}

FormCommand MenuCommandOfId(int id) {
    for (size_t m = 0; m < kMainMenuCount; ++m)
        for (size_t i = 0; i < kMainMenu[m].itemCount; ++i)
            if (MenuItemIdAt(m, i) == id) return kMainMenu[m].items[i].command;
    return FormCommand::None;
}

HWND CreateFormFrame(HINSTANCE instance, HWND owner, WNDPROC procedure, void* creationData) {
    RegisterFormClass(instance, procedure);
    HMENU menu = BuildMainMenu();
    const SIZE frame = FrameSize(ClientSize());
    const POINT at = CentredOnDesktop(frame);
    HWND window = CreateWindowExA(kWindowExStyle, kMainForm.className, kMainForm.caption, kWindowStyle, at.x,
                                  at.y, frame.cx, frame.cy, owner, menu, instance, creationData);
    if (window == nullptr) DestroyMenu(menu);
    return window;
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

// In keyboard order, so that the Tab key visits the controls as the form lists them.
// One device context measures the labels' texts for the whole pass.
void CreateFormControls(HWND window, const FormFonts& fonts, int dpi) {
    HDC measuring = CreateCompatibleDC(nullptr);
    DropDownMetrics dropDown;
    for (const ControlDescription* control : CreationOrder()) {
        if (control->kind == ControlKind::FieldList)
            CreateFieldList(window, *control, fonts.Of(*control), dpi, measuring, dropDown);
        else
            SetControlFont(MakeControl(window, *control, fonts.Of(*control), dpi, measuring), fonts.Of(*control));
    }
    DeleteDC(measuring);
}
