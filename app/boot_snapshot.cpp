#include "app/boot_snapshot.h"

#include <windows.h>

#include "app/app_paths.h"
#include "app/boot_identity.h"
#include "app/boot_record.h"
#include "app/machine_folder.h"
#include "app/write_logging.h"
#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/machine_access.h"
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

const char kUnrecordedWritePattern[] = "written-*.boot";

// A run that may not record the boot's first read (a user who is no administrator)
// leaves word of it in the records' folder, where every user may add a file: a later
// run of the boot that records the first read then knows it may be a tuning. Forged,
// such a word costs the boot no more than its snapshot.
void NoteUnrecordedRun() {
    const std::string folder = MachineRecordFolder();
    const std::string mark = MarkThisBoot();
    if (folder.empty() || mark.empty()) return;
    const std::string path = Concat({folder, "\\written-", HexText(GetCurrentProcessId(), 8),
                                     HexText(GetTickCount(), 8), ".boot"});
    HANDLE file = OpenUnlinkedFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH,
                                   nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, mark.data(), static_cast<DWORD>(mark.size()), &written, nullptr);
    CloseHandle(file);
}

// Whether such a word is there of this boot; those of earlier boots go, where they may.
bool UnrecordedRunThisBoot() {
    const std::string folder = MachineRecordFolderPath();
    if (folder.empty()) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Concat({folder, "\\", kUnrecordedWritePattern}).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool thisBoot = false;
    do {
        const std::string path = Concat({folder, "\\", found.cFileName});
        if (MatchBoot(SmallFileText(path)) == BootMatch::ThisBoot)
            thisBoot = true;
        else
            DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return thisBoot;
}

// The boot's first read: recorded by an earlier run of the boot, or this run's read,
// recorded now. Registers that still hold what the log says Quillon last wrote were
// not set by the firmware (a restart without a reset), nor, maybe, are those a run
// that could not record them may have written already: such a first read is no
// snapshot's. A run that cannot record its read says so for the later ones.
bool BootFirstReadOf(const RegisterValues& read, BootFirstRead* first) {
    const BootFirstRead now{read, !HoldsLastLoggedWrite(WriteLogEnd(WriteLogPath()), read) && !UnrecordedRunThisBoot()};
    if (RecordFirstRead(now, first) != BootRecordState::Unrecorded) return true;
    NoteUnrecordedRun();
    return false;
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
