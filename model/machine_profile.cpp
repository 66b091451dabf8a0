#include "model/machine_profile.h"

#include "hw/concat.h"
#include "hw/hex_text.h"

#include "hw/pci_functions.h"

namespace {

// The board is named by the subsystem ids of its memory controller.
const char kBoardKey[] = "Board";

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

std::string ValueOf(const MachineProfile& profile, const std::string& key) {
    for (const MachineKey& entry : profile)
        if (SameIgnoringCase(entry.key, key)) return entry.value;
    return std::string();
}

}  // namespace

std::string FunctionProfileText(uint32_t vendorDevice, uint32_t classRevision) {
    return Concat({HexText(vendorDevice & 0xFFFF, 4), ":", HexText(vendorDevice >> 16, 4), " ",
                   HexText(classRevision & 0xFF, 2)});
}

std::string BoardProfileText(uint32_t subsystem) {
    return Concat({HexText(subsystem & 0xFFFF, 4), ":", HexText(subsystem >> 16, 4)});
}

std::string MachineDifferences(const MachineProfile& saved, const MachineProfile& here) {
    std::string lines;
    for (const MachineKey& entry : saved) {
        if (entry.value.empty()) continue;
        const std::string current = ValueOf(here, entry.key);
        if (!current.empty() && SameIgnoringCase(entry.value, current)) continue;
        lines += Concat({entry.key, ": saved on ", entry.value, "; this machine has ",
                         current.empty() ? std::string_view("none") : current, "\n"});
    }
    return lines;
}

std::string OtherMachineRefusal(const std::string& settingsPath, const std::string& differences) {
    return Concat({"\"", settingsPath, "\" was saved on another machine:\n\n", differences,
                   "\nNothing was written. Load the file in Quillon's window to check its values "
                   "before applying it here."});
}

std::string OtherMachineQuestion(const std::string& settingsPath, const std::string& differences) {
    return Concat({"\"", settingsPath, "\" was saved on another machine:\n\n", differences,
                   "\nIts timings may not suit this one. Load it anyway?"});
}

MachineProfile ThisMachineProfile() {
    MachineProfile profile;
    for (const PciFunction& function : FunctionTable) {
        profile.push_back({function.MachineKey,
                           IsPresent(function)
                               ? FunctionProfileText(function.VendorDevice, function.ClassRevision)
                               : std::string()});
    }
    const PciFunction& board = Function(FunctionId::MemoryController);
    profile.push_back({kBoardKey, IsPresent(board) ? BoardProfileText(board.Subsystem) : std::string()});
    return profile;
}
