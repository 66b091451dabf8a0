#include "ui/tooltips.h"

#include <commctrl.h>


namespace {

// The structure's first layout, which every version of the library takes.
const UINT kToolInfoSize = TTTOOLINFOA_V1_SIZE;
// Wide enough for a timing's line; longer texts wrap, and "\r\n" breaks lines.
const int kTipWidth = 400;

using InitCommonControlsExFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

TOOLINFOA ToolOf(HWND owner, HWND tool, char* text) {
    TOOLINFOA info = {};
    info.cbSize = kToolInfoSize;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text;
    return info;
}

// A list's text field takes the mouse over most of the list.
HWND TextFieldOf(HWND control) {
    COMBOBOXINFO parts = {};
    parts.cbSize = sizeof parts;
    return GetComboBoxInfo(control, &parts) ? parts.hwndItem : nullptr;
}

}  // namespace

Tooltips::~Tooltips() {
    if (tips_ != nullptr) DestroyWindow(tips_);
    if (library_ != nullptr) FreeLibrary(library_);
}

bool Tooltips::Create(HWND owner) {
    library_ = LoadLibraryA("comctl32.dll");
    if (library_ == nullptr) return false;
    const auto initialise = reinterpret_cast<InitCommonControlsExFunction>(
        reinterpret_cast<void*>(GetProcAddress(library_, "InitCommonControlsEx")));
    if (initialise != nullptr) {
        const INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        initialise(&classes);
    }
    owner_ = owner;
    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)), nullptr);
    if (tips_ == nullptr) return false;
    SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    return true;
}

void Tooltips::Set(HWND control, const std::string& text) {
    if (tips_ == nullptr || control == nullptr) return;
    Put(control, text);
    if (HWND field = TextFieldOf(control)) Put(field, text);
}

void Tooltips::Put(HWND tool, const std::string& text) {
    std::string copy = text;  // the message takes a text it may change
    TOOLINFOA info = ToolOf(owner_, tool, &copy[0]);
    TOOLINFOA known = ToolOf(owner_, tool, nullptr);
    if (SendMessageA(tips_, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&known)))
        SendMessageA(tips_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    else
        SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}
