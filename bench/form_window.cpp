// Baseline: Quillon's main window with nothing behind it. The same menu, group boxes,
// captions, drop-down lists (filled with the same entries) and buttons, where the form
// description (ui/form_layout) puts them, in the same fonts, with the program's icon and
// manifest; but no port library, no registers, no settings, no scaling to the DPI and
// no sizing of captions to their text. What Quillon's window costs beyond this program
// is its own work.
#include <windows.h>

#include <string>

#include "model/field_catalogue.h"
#include "ui/form_layout.h"
#include "ui/resource_ids.h"

namespace {

const DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

HFONT CreateFormFont(const FontDescription& description) {
    LOGFONTA font = {};
    font.lfHeight = -description.characterHeight;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = description.fixedPitch ? FIXED_PITCH : DEFAULT_PITCH;
    lstrcpynA(font.lfFaceName, description.face, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

HMENU CreateMainMenu() {
    HMENU bar = CreateMenu();
    int id = 1000;
    for (size_t m = 0; m < kMainMenuCount; ++m) {
        HMENU popup = CreatePopupMenu();
        for (size_t i = 0; i < kMainMenu[m].itemCount; ++i) {
            const char* caption = kMainMenu[m].items[i].caption;
            if (caption[0] == '\0')
                AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(id++), caption);
        }
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), kMainMenu[m].caption);
    }
    return bar;
}

void CreateControl(HWND window, HINSTANCE instance, const ControlDescription& control, int id, HFONT font) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const char* windowClass = "STATIC";
    DWORD style = child | WS_GROUP | SS_LEFT | SS_NOPREFIX;
    const char* caption = control.caption;
    const RegisterField* field = ShownField(control);
    switch (control.kind) {
        case ControlKind::GroupBox: windowClass = "BUTTON"; style = child | WS_GROUP | BS_GROUPBOX; break;
        case ControlKind::FieldList:
            windowClass = "COMBOBOX";
            style = child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
            break;
        case ControlKind::Button: windowClass = "BUTTON"; style = child | WS_TABSTOP | BS_PUSHBUTTON; break;
        case ControlKind::FieldLabel: caption = field->Name; break;
        case ControlKind::InfoLabel: break;
        case ControlKind::PanelLabel: style |= SS_NOTIFY; break;  // the clocks panel's lines, empty here
    }
    // Captions the description leaves unsized get a box wide enough for any of them.
    const bool unsized = control.width == 0 && control.height == 0;
    HWND handle = CreateWindowExA(0, windowClass, caption, style, ClientLeft(control), ClientTop(control),
                                  unsized ? 160 : control.width, unsized ? 13 : control.height, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (control.kind != ControlKind::FieldList) return;
    for (size_t i = 0; field->Choices[i] != &NoChoice; ++i) {
        const std::string text = ChoiceDisplayLabel(*field, *field->Choices[i]);
        SendMessageA(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageA(handle, CB_SETCURSEL, 0, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLON), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLON), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "FormWindow";
    RegisterClassExA(&windowClass);

    RECT frame = {0, 0, kMainForm.clientWidth, kMainForm.clientHeight};
    AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
    HWND window = CreateWindowExA(0, "FormWindow", kMainForm.caption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, CreateMainMenu(),
                                  instance, nullptr);
    HFONT windowFont = CreateFormFont(kWindowFont);
    HFONT siteNameFont = CreateFormFont(kSiteNameFont);
    int id = 100;
    for (const ControlDescription* control : CreationOrder())
        CreateControl(window, instance, *control, id++,
                      control->font == ControlFont::SiteName ? siteNameFont : windowFont);
    ShowWindow(window, show);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
