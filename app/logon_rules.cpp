#include "app/logon_rules.h"

#include "hw/concat.h"

namespace {

// A test setting only ever shortens a wait: a whole number below the normal length, or
// the normal length for anything else.
unsigned ShortenedBySetting(const std::string& setting, unsigned normal) {
    if (setting.empty() || setting.size() > 4) return normal;
    unsigned value = 0;
    for (char c : setting) {
        if (c < '0' || c > '9') return normal;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value < normal ? value : normal;
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b, LeadByteTest isLeadByte) {
    return ComparablePath(a, isLeadByte) == ComparablePath(b, isLeadByte);
}

std::string PendingRecordPath(const std::string& settingsFullPath) {
    return settingsFullPath + ".pending";
}

std::string SharedRecordPath(const std::string& sharedFolder, const std::string& settingsFullPath,
                             LeadByteTest isLeadByte) {
    return Concat({sharedFolder, "\\", NamePart(settingsFullPath, isLeadByte), ".pending"});
}

std::string PendingRecordText(const std::string& settingsFullPath) {
    return settingsFullPath + "\r\n";
}

bool RecordNamesFile(const std::string& recordText, const std::string& settingsFullPath,
                     LeadByteTest isLeadByte) {
    const size_t end = recordText.find("\r\n");
    if (end == std::string::npos) return false;
    return SamePath(recordText.substr(0, end), settingsFullPath, isLeadByte);
}

unsigned ConfirmationPeriodSeconds(const std::string& setting) {
    return ShortenedBySetting(setting, kConfirmationSeconds);
}

unsigned ShiftWatchMilliseconds(const std::string& setting) {
    return ShortenedBySetting(setting, kShiftWatchMs);
}

std::string UnconfirmedApplyQuestion(const std::string& settingsPath) {
    return Concat({"The tuning in \"", settingsPath,
                   "\" was applied at an earlier logon, and Windows did not stay up for two minutes "
                   "afterwards.\n\nIt was not applied this time. Apply it now anyway?"});
}

std::string ShiftSkipMessage(const std::string& settingsPath) {
    return Concat({"Shift was held: the tuning in \"", settingsPath, "\" was not applied."});
}

std::string UnguardedApplyMessage(const std::string& settingsPath, const std::string& sharedFolder) {
    return Concat({"The tuning in \"", settingsPath,
                   "\" is applied now without its guard: no record of the apply can be kept beside "
                   "the file or in \"", sharedFolder,
                   "\".\n\nIf this tuning hangs Windows, the next logon applies it again. Hold "
                   "Shift while you log on to skip it."});
}

std::string NoRecordPlaceMessage(const std::string& settingsPath, const std::string& sharedFolder) {
    return Concat({"The tuning in \"", settingsPath,
                   "\" will be applied at every logon, but no record of a logon apply can be kept "
                   "beside the file or in \"", sharedFolder,
                   "\": if the tuning hangs Windows, the next logon cannot tell and applies it "
                   "again.\n\nMake one of these folders writable for every user, then choose Apply "
                   "Settings at Startup again."});
}
