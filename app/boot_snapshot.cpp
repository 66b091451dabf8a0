#include "app/boot_snapshot.h"

#include "app/app_paths.h"
#include "app/boot_identity.h"
#include "app/boot_record.h"
#include "app/machine_folder.h"
#include "app/write_logging.h"
#include "model/settings.h"
#include "model/write_log.h"

namespace {

const char kSnapshotSection[] = "Snapshot";
const char kBootKey[] = "Boot";

// What the hardware held at the run's first read, whatever the cache holds since (a
// file loaded into it, not yet written).
RegisterValues HardwareAtLastRead() {
    RegisterValues values{};
    for (const PciRegister& reg : RegisterTable) values[static_cast<size_t>(reg.Id)] = reg.LastRead;
    return values;
}

// The cache holds `values` while the file is saved, and its own again afterwards.
bool SaveValuesNoting(const std::string& path, const RegisterValues& values, const SettingsNote* notes,
                      size_t noteCount) {
    RegisterValues cached{};
    for (PciRegister& reg : RegisterTable) {
        cached[static_cast<size_t>(reg.Id)] = reg.Value;
        reg.Value = values[static_cast<size_t>(reg.Id)];
    }
    const bool saved = SaveSettingsNoting(path.c_str(), notes, noteCount);
    for (PciRegister& reg : RegisterTable) reg.Value = cached[static_cast<size_t>(reg.Id)];
    return saved;
}

// The boot's first read: recorded by an earlier run of the boot, or this run's read,
// recorded now. Registers that still hold what the log says Quillon last wrote were
// not set by the firmware (a restart without a reset): such a first read is no
// snapshot's.
bool BootFirstReadOf(const RegisterValues& read, BootFirstRead* first) {
    const BootFirstRead now{read, !HoldsLastLoggedWrite(WriteLogEnd(WriteLogPath()), read)};
    return RecordFirstRead(now, first) != BootRecordState::Unrecorded;
}

}  // namespace

std::string BootSnapshotPath() { return MachineFilePath("boot.qln"); }

void TakeBootSnapshot() {
    // No record of the first read, no snapshot: which registers a run reads is then
    // no sign of what the firmware set.
    BootFirstRead first;
    if (!BootFirstReadOf(HardwareAtLastRead(), &first) || !first.firmware) return;
    const std::string path = BootSnapshotPath();
    if (path.empty() || RefusedAsLink(path)) return;
    if (MatchBoot(SettingsFileText(path.c_str(), kSnapshotSection, kBootKey)) != BootMatch::EarlierBoot)
        return;
    const std::string mark = MarkThisBoot();
    if (mark.empty()) return;
    const SettingsNote notes[] = {{kSnapshotSection, kBootKey, mark},
                                  {kSnapshotSection, "Taken", LocalTimeText()}};
    if (!SaveValuesNoting(path, first.values, notes, sizeof notes / sizeof notes[0]))
        LogUnsavedBootValues(first.values, path);
}

std::string ExistingBootSnapshot() {
    const std::string path = BootSnapshotPath();
    return !path.empty() && NamesExistingFile(path) && !RefusedAsLink(path) ? path : std::string();
}
