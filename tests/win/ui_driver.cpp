#include "tests/win/ui_driver.h"

#include <fstream>

#include "ui/setregform.h"

void PumpMessages(HWND form) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) DispatchFormMessage(form, message);
    }
}

int SelectedIndex(HWND list) { return static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0)); }

COMBOBOXINFO ComboInfo(HWND list) {
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    GetComboBoxInfo(list, &info);
    return info;
}

void PickEntry(HWND form, HWND list, const std::string& text) {
    const LRESULT index = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) return;
    SetFocus(list);
    SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
    PumpMessages(form);
    HWND dropped = ComboInfo(list).hwndList;
    RECT item;
    SendMessageA(dropped, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(dropped, WM_MOUSEMOVE, 0, at);
    SendMessageA(dropped, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(dropped, WM_LBUTTONUP, 0, at);
    PumpMessages(form);
}

void PressKey(HWND form, WPARAM key) {
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
    PumpMessages(form);
}

void TypeText(HWND form, HWND list, const std::string& digits) {
    SetFocus(list);
    PumpMessages(form);
    for (char c : digits) PressKey(form, static_cast<WPARAM>(c));
}

HWND FocusedControl(HWND form) {
    HWND focus = GetFocus();
    if (focus != nullptr && GetParent(focus) != form && IsChild(form, focus)) return GetParent(focus);
    return focus;
}

std::string MenuText(HMENU menu, int position) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
    if (info.fType & MFT_SEPARATOR) return "-";
    char caption[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), caption, sizeof caption, MF_BYPOSITION);
    return caption;
}

UINT MenuItemId(HWND form, const std::string& shownCaption) {
    HMENU bar = GetMenu(form);
    for (int m = 0; m < GetMenuItemCount(bar); ++m) {
        HMENU popup = GetSubMenu(bar, m);
        for (int i = 0; i < GetMenuItemCount(popup); ++i)
            if (MenuText(popup, i) == shownCaption) return GetMenuItemID(popup, i);
    }
    return 0;
}

void ChooseMenuItem(HWND form, const std::string& shownCaption) {
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(MenuItemId(form, shownCaption), 0), 0);
    PumpMessages(form);
}

bool SaveScreenshot(HWND window, const std::string& path) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as a BMP file stores it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits,
                                      nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY) != 0;
    SelectObject(memory, previous);
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(static_cast<const char*>(bits), imageBytes);
    const bool written = copied && static_cast<bool>(out);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}
