#include "app/boot_snapshot.h"

#include "app/app_paths.h"
#include "app/boot_identity.h"
#include "app/machine_folder.h"
#include "model/settings.h"
#include "model/write_log.h"

namespace {

const char kSnapshotSection[] = "Snapshot";
const char kBootKey[] = "Boot";

}  // namespace

std::string BootSnapshotPath() { return MachineFilePath("boot.qln"); }

void TakeBootSnapshot() {
    const std::string path = BootSnapshotPath();
    if (path.empty()) return;
    if (MatchBoot(SettingsFileText(path.c_str(), kSnapshotSection, kBootKey)) != BootMatch::EarlierBoot)
        return;
    const std::string mark = MarkThisBoot();
    if (mark.empty()) return;
    const SettingsNote notes[] = {{kSnapshotSection, kBootKey, mark},
                                  {kSnapshotSection, "Taken", LocalTimeText()}};
    if (SaveSettingsNoting(path.c_str(), notes, sizeof notes / sizeof notes[0])) OpenFileToEveryone(path);
}

std::string ExistingBootSnapshot() {
    const std::string path = BootSnapshotPath();
    return !path.empty() && NamesExistingFile(path) ? path : std::string();
}
