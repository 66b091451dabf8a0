// The [Machine] section of a settings file: which chipset and board a tuning was made
// on, so that it is never written into another machine's registers unasked.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr char kMachineSection[] = "Machine";

struct MachineKey {
    std::string key;
    std::string value;  // empty: no such key (an absent bridge has none)
};
using MachineProfile = std::vector<MachineKey>;

// "VVVV:DDDD RR": vendor, device and revision of a function, upper-case hexadecimal.
std::string FunctionProfileText(uint32_t vendorDevice, uint32_t classRevision);
// "SSSS:TTTT": the board's subsystem vendor and id.
std::string BoardProfileText(uint32_t subsystem);

// This machine's keys, from the identities read when the program started.
MachineProfile ThisMachineProfile();

// One line for every key the file names whose value is not this machine's (compared
// without regard to case; a malformed value is never this machine's). Keys the file
// leaves out are not compared. Empty when the file fits this machine.
std::string MachineDifferences(const MachineProfile& saved, const MachineProfile& here);

// What a silent apply says when it refuses a file made elsewhere, and what the window
// asks before loading one.
std::string OtherMachineRefusal(const std::string& settingsPath, const std::string& differences);
std::string OtherMachineQuestion(const std::string& settingsPath, const std::string& differences);
