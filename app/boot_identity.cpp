#include "app/boot_identity.h"

#include <windows.h>

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/windows_family.h"

namespace {

const char kHardwareDescription[] = "HARDWARE\\DESCRIPTION\\System";
const char kAtomPrefix[] = "Quillon boot ";

std::string FileTimeText(const FILETIME& time) {
    return Concat({HexText(time.dwHighDateTime, 8), HexText(time.dwLowDateTime, 8)});
}

// Empty when the key cannot be read or carries no time.
std::string HardwareDescriptionMark() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHardwareDescription, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::string();
    FILETIME written = {};
    const LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, &written);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (written.dwHighDateTime == 0 && written.dwLowDateTime == 0))
        return std::string();
    return "NT " + FileTimeText(written);
}

std::string AtomName(const std::string& mark) { return kAtomPrefix + mark; }

// A new mark each time: the time it was made, as no two runs of one boot share it.
std::string NewAtomMark() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::string mark = Concat({"9x ", FileTimeText(now), HexText(GetCurrentProcessId(), 8)});
    return GlobalAddAtomA(AtomName(mark).c_str()) != 0 ? mark : std::string();
}

}  // namespace

BootMatch MatchBoot(const std::string& snapshotMark) {
    if (OnWindows9x()) {
        const bool found = !snapshotMark.empty() && GlobalFindAtomA(AtomName(snapshotMark).c_str()) != 0;
        return found ? BootMatch::ThisBoot : BootMatch::EarlierBoot;
    }
    const std::string mark = HardwareDescriptionMark();
    if (mark.empty()) return BootMatch::CannotTell;
    return mark == snapshotMark ? BootMatch::ThisBoot : BootMatch::EarlierBoot;
}

std::string MarkThisBoot() { return OnWindows9x() ? NewAtomMark() : HardwareDescriptionMark(); }
