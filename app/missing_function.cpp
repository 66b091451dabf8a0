#include "app/missing_function.h"

#include <windows.h>
#include <delayimp.h>

#include "hw/concat.h"
#include "hw/hex_text.h"

namespace {

using MessageBoxProc = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);

// Bound here by name: the message box's own function is delay-loaded too, and the DLL
// that failed may be the one it lives in.
void ShowAlone(const std::string& text) {
    HMODULE user32 = LoadLibraryA("user32.dll");
    const auto messageBox =
        user32 == nullptr ? nullptr
                          : reinterpret_cast<MessageBoxProc>(
                                reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxA")));
    if (messageBox != nullptr) messageBox(nullptr, text.c_str(), "Quillon", MB_OK | MB_TASKMODAL);
}

FARPROC WINAPI DelayLoadFailed(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliFailLoadLib && notification != dliFailGetProc) return nullptr;
    const std::string function = info->dlp.fImportByName
                                     ? std::string(info->dlp.szProcName)
                                     : Concat({"number ", DecimalText(info->dlp.dwOrdinal)});
    ShowAlone(MissingFunctionText(function, info->szDll, notification == dliFailLoadLib));
    // Whatever was under way stops here; the port lock, if held, goes with the process.
    ExitProcess(1);
}

}  // namespace

void ReportMissingFunctions() { __pfnDliFailureHook2 = DelayLoadFailed; }

std::string MissingFunctionText(const std::string& function, const std::string& dll, bool dllMissing) {
    if (dllMissing)
        return Concat({"Quillon needs ", dll, " (for ", function,
                       "), which this Windows cannot load. Quillon ends now."});
    return Concat({"Quillon needs the function ", function, " of ", dll,
                   ", which this Windows lacks. Quillon ends now."});
}
