// quillon.exe binds the window system, the registry and the shell on first use rather
// than at load time. A silent apply that succeeds needs no window: without these DLLs
// in its import table, Windows loads no USER32, GDI32 or SHELL32 (nor what they bring
// along) for it. The window, every message box and the logon apply (its hidden window,
// its record in the machine-wide application data folder) still get them, the first
// time one of their functions is called.
//
// Each function the program calls from those DLLs is listed below. Its import slot
// (the pointer every call goes through, __imp_Name) is defined here instead of by the
// system's import library, and starts out pointing at a stub that looks the function
// up, puts its address in the slot and calls it. A function missing from the list
// makes the linker take it from the import library again, which the binary check of
// the tests reports (tests/check_binaries.sh).
//
// Built without exceptions and unwind tables: the stubs end in a jump to the real
// function, so they never stay on the stack.
#include <windows.h>
#include <shlobj.h>

#include <cstddef>

namespace {

enum class Dll : unsigned char { ADVAPI32, GDI32, SHELL32, USER32 };

const char* const kDllNames[] = {"advapi32.dll", "gdi32.dll", "shell32.dll", "user32.dll"};
HMODULE loadedDlls[sizeof kDllNames / sizeof kDllNames[0]];

// The address of `name` in `dll`, also stored in the import slot. Without it the
// program cannot go on: Windows' own loader would have refused to start it.
FARPROC BindImport(Dll dll, const char* name, FARPROC* slot) {
    HMODULE& module = loadedDlls[static_cast<int>(dll)];
    if (module == nullptr) module = LoadLibraryA(kDllNames[static_cast<int>(dll)]);
    const FARPROC address = module != nullptr ? GetProcAddress(module, name) : nullptr;
    if (address == nullptr) FatalAppExitA(0, name);
    *slot = address;
    return address;
}

template <typename Function>
struct FirstCall;

template <typename Result, typename... Arguments>
struct FirstCall<Result(WINAPI*)(Arguments...)> {
    using Function = Result(WINAPI*)(Arguments...);

    template <Function* Slot, Dll FromDll, const char* Name>
    static Result WINAPI Stub(Arguments... arguments) {
        const FARPROC address = BindImport(FromDll, Name, reinterpret_cast<FARPROC*>(Slot));
        return reinterpret_cast<Function>(reinterpret_cast<void*>(address))(arguments...);
    }

    // What the standard-call name decoration of 32-bit Windows counts.
    static constexpr std::size_t kArgumentBytes = (0 + ... + ((sizeof(Arguments) + 3) / 4 * 4));
};

}  // namespace

#ifdef _WIN64
#define QUILLON_IMPORT_SLOT(name, bytes) "__imp_" #name
#define QUILLON_CHECK_BYTES(name, bytes)
#else
#define QUILLON_IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#define QUILLON_CHECK_BYTES(name, bytes) \
    static_assert(FirstCall<decltype(&::name)>::kArgumentBytes == bytes, #name " argument bytes");
#endif

#define QUILLON_BIND_ON_FIRST_USE(dll, name, bytes)                                        \
    namespace {                                                                         \
    constexpr char kNameOf##name[] = #name;                                             \
    QUILLON_CHECK_BYTES(name, bytes)                                                    \
    }                                                                                   \
    extern decltype(&::name) importSlotOf##name __asm__(QUILLON_IMPORT_SLOT(name, bytes)); \
    decltype(&::name) importSlotOf##name =                                              \
        &FirstCall<decltype(&::name)>::Stub<&importSlotOf##name, Dll::dll, kNameOf##name>;

// DLL, function, bytes of its arguments on 32-bit Windows.
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, InitializeSecurityDescriptor, 8)
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, RegCloseKey, 4)
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, RegCreateKeyExA, 36)
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, RegDeleteValueA, 8)
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, RegOpenKeyExA, 20)
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, RegQueryValueExA, 24)
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, RegSetValueExA, 24)
QUILLON_BIND_ON_FIRST_USE(ADVAPI32, SetSecurityDescriptorDacl, 16)
QUILLON_BIND_ON_FIRST_USE(GDI32, CreateCompatibleDC, 4)
QUILLON_BIND_ON_FIRST_USE(GDI32, CreateFontIndirectA, 4)
QUILLON_BIND_ON_FIRST_USE(GDI32, DeleteDC, 4)
QUILLON_BIND_ON_FIRST_USE(GDI32, DeleteObject, 4)
QUILLON_BIND_ON_FIRST_USE(GDI32, GetDeviceCaps, 8)
QUILLON_BIND_ON_FIRST_USE(GDI32, GetTextExtentPoint32A, 16)
QUILLON_BIND_ON_FIRST_USE(GDI32, GetTextFaceA, 12)
QUILLON_BIND_ON_FIRST_USE(GDI32, GetTextMetricsA, 8)
QUILLON_BIND_ON_FIRST_USE(GDI32, SelectObject, 8)
QUILLON_BIND_ON_FIRST_USE(GDI32, SetBkColor, 8)
QUILLON_BIND_ON_FIRST_USE(GDI32, SetTextColor, 8)
QUILLON_BIND_ON_FIRST_USE(SHELL32, SHGetFolderPathA, 20)
QUILLON_BIND_ON_FIRST_USE(USER32, AdjustWindowRectEx, 16)
QUILLON_BIND_ON_FIRST_USE(USER32, AppendMenuA, 16)
QUILLON_BIND_ON_FIRST_USE(USER32, CreateMenu, 0)
QUILLON_BIND_ON_FIRST_USE(USER32, CreatePopupMenu, 0)
QUILLON_BIND_ON_FIRST_USE(USER32, CreateWindowExA, 48)
QUILLON_BIND_ON_FIRST_USE(USER32, DefWindowProcA, 16)
QUILLON_BIND_ON_FIRST_USE(USER32, DestroyMenu, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, DestroyWindow, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, DispatchMessageA, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, EnableWindow, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, GetActiveWindow, 0)
QUILLON_BIND_ON_FIRST_USE(USER32, GetAsyncKeyState, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, GetClassInfoExA, 12)
QUILLON_BIND_ON_FIRST_USE(USER32, GetClientRect, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, GetComboBoxInfo, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, GetDC, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, GetDlgCtrlID, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, GetDlgItem, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, GetFocus, 0)
QUILLON_BIND_ON_FIRST_USE(USER32, GetMessageA, 16)
QUILLON_BIND_ON_FIRST_USE(USER32, GetNextDlgTabItem, 12)
QUILLON_BIND_ON_FIRST_USE(USER32, GetParent, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, GetSysColor, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, GetSysColorBrush, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, GetSystemMetrics, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, GetWindow, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, GetWindowRect, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, GetWindowTextA, 12)
QUILLON_BIND_ON_FIRST_USE(USER32, GetWindowTextLengthA, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, IsChild, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, IsDialogMessageA, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, IsWindow, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, IsWindowEnabled, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, IsWindowVisible, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, KillTimer, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, LoadCursorA, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, LoadIconA, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, LoadImageA, 24)
QUILLON_BIND_ON_FIRST_USE(USER32, MessageBoxA, 16)
QUILLON_BIND_ON_FIRST_USE(USER32, PostQuitMessage, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, RegisterClassA, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, RegisterClassExA, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, ReleaseDC, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, SendMessageA, 16)
QUILLON_BIND_ON_FIRST_USE(USER32, SetActiveWindow, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, SetFocus, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, SetTimer, 16)
QUILLON_BIND_ON_FIRST_USE(USER32, SetWindowPos, 28)
QUILLON_BIND_ON_FIRST_USE(USER32, SetWindowTextA, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, ShowOwnedPopups, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, ShowWindow, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, TranslateMessage, 4)
QUILLON_BIND_ON_FIRST_USE(USER32, UpdateWindow, 4)
#ifdef _WIN64
QUILLON_BIND_ON_FIRST_USE(USER32, GetWindowLongA, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, GetWindowLongPtrA, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, SetWindowLongPtrA, 12)
#else
QUILLON_BIND_ON_FIRST_USE(USER32, GetWindowLongA, 8)
QUILLON_BIND_ON_FIRST_USE(USER32, SetWindowLongA, 12)
#endif
