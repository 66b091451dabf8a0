// What Quillon keeps in the machine's folder: the snapshot of each boot's registers,
// taken by its first run, and the logon apply started where Windows starts Run entries.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>
#include <utility>
#include <vector>

#include "app/boot_record.h"
#include "app/boot_snapshot.h"
#include "app/command_line.h"
#include "app/write_logging.h"
#include "model/settings.h"
#include "sim/chipset.h"
#include "tests/support/run_key.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/win/new_boot.h"
#include "tests/win/process_runner.h"

namespace {

const char kHardwareDescription[] = "HARDWARE\\DESCRIPTION\\System";

// A registry key with all it holds, to put back as Windows makes it: volatile.
struct KeyCopy {
    std::string name;
    std::vector<std::pair<std::string, std::pair<DWORD, std::string>>> values;
    std::vector<KeyCopy> subkeys;
};

KeyCopy CopyKey(HKEY parent, const std::string& name) {
    KeyCopy copy{name, {}, {}};
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return copy;
    for (DWORD i = 0;; ++i) {
        char valueName[256];
        BYTE data[4096];
        DWORD nameLength = sizeof valueName, type = 0, size = sizeof data;
        if (RegEnumValueA(key, i, valueName, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        copy.values.push_back({valueName, {type, std::string(reinterpret_cast<char*>(data), size)}});
    }
    for (DWORD i = 0;; ++i) {
        char subkey[256];
        DWORD length = sizeof subkey;
        if (RegEnumKeyExA(key, i, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        copy.subkeys.push_back(CopyKey(key, subkey));
    }
    RegCloseKey(key);
    return copy;
}

void RecreateVolatile(HKEY parent, const KeyCopy& copy) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(parent, copy.name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] : copy.values)
        RegSetValueExA(key, name.c_str(), 0, value.first, reinterpret_cast<const BYTE*>(value.second.data()),
                       static_cast<DWORD>(value.second.size()));
    for (const KeyCopy& subkey : copy.subkeys) RecreateVolatile(key, subkey);
    RegCloseKey(key);
}

// While it lives, the registry has no description of the system to tell the boot by.
class HardwareDescriptionHidden {
public:
    HardwareDescriptionHidden() : saved_(CopyKey(HKEY_LOCAL_MACHINE, kHardwareDescription)) {
        EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, kHardwareDescription), ERROR_SUCCESS);
    }
    ~HardwareDescriptionHidden() { RecreateVolatile(HKEY_LOCAL_MACHINE, saved_); }
    HardwareDescriptionHidden(const HardwareDescriptionHidden&) = delete;
    HardwareDescriptionHidden& operator=(const HardwareDescriptionHidden&) = delete;

private:
    KeyCopy saved_;
};

class BootSnapshotTest : public SimulationTest {
protected:
    BootSnapshotTest() : SimulationTest("boot"), snapshot_(BootSnapshotPath()) {
        start_ = StartInFolder(folder_, state_, log_);
        RemoveMachineFiles();
        ForgetBootRecord();
    }
    ~BootSnapshotTest() override { RemoveMachineFiles(); }
    void RemoveMachineFiles() {
        DeleteFileA(snapshot_.c_str());
        DeleteFileA(WriteLogPath().c_str());
    }

    ProgramRun Apply(const std::string& name, const std::string& text) {
        WriteWholeFile(folder_ + "\\" + name, text);
        start_.argumentTail = name;
        const ProgramRun run = RunProgram(start_);
        EXPECT_TRUE(run.finished);
        EXPECT_TRUE(run.boxes.empty());
        return run;
    }
    std::string Snapshot(const char* section, const char* key) const {
        return SettingsFileText(snapshot_.c_str(), section, key);
    }
    // Windows restarted: the record of the first read is gone, and the snapshot is of an
    // earlier boot. The chipset keeps what it holds unless the test resets it.
    void NewBoot() const {
        ForgetBootRecord();
        ASSERT_TRUE(WritePrivateProfileStringA("Snapshot", "Boot", "NT 0000000000000001", snapshot_.c_str()));
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, snapshot_.c_str());
    }
    void ResetChipset() const { DeleteFileA(state_.c_str()); }
    unsigned PciLatency() const { return ChipsetStateOrPowerOn(state_).ConfigRead(0, 8, 0, 0x18) >> 24; }

    const std::string snapshot_;
    ProgramStart start_;
};

TEST_F(BootSnapshotTest, TheFirstRunOfEachBootKeepsWhatItReadBeforeWritingAndItComesBack) {
    Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n");
    // What the firmware set, as a complete settings file of this machine.
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "32");
    EXPECT_EQ(Snapshot("DRAM", "Trc"), "10");
    EXPECT_EQ(Snapshot("DRAM_ALPHA", "Tr2w"), "3");
    EXPECT_EQ(Snapshot("Machine", "HostBridge"), "10DE:01E0 C1");
    const std::string mark = Snapshot("Snapshot", "Boot");
    EXPECT_EQ(mark.substr(0, 3), "NT ");
    const std::string first = ReadWholeFile(snapshot_);

    Apply("two.qln", "[PCI]\r\nPCILatency=96\r\n");
    EXPECT_EQ(ReadWholeFile(snapshot_), first) << "a later run of the boot leaves it alone";

    // The next boot's first run replaces it with what that boot read: here the
    // firmware's new setup, as no write the log holds left it.
    NewBoot();
    DeleteFileA(WriteLogPath().c_str());
    Apply("three.qln", "[PCI]\r\nPCILatency=128\r\n");
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "96");
    EXPECT_EQ(Snapshot("Snapshot", "Boot"), mark);

    // Back by the command line, as an ordinary settings file.
    start_.argumentTail = "\"" + snapshot_ + "\"";
    const ProgramRun restore = RunProgram(start_);
    ASSERT_TRUE(restore.finished);
    EXPECT_TRUE(restore.boxes.empty());
    EXPECT_EQ(PciLatency(), 96u);
}

TEST_F(BootSnapshotTest, ARunThatCannotTellTheBootLeavesTheSnapshotAlone) {
    Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n");
    NewBoot();
    const std::string before = ReadWholeFile(snapshot_);
    {
        HardwareDescriptionHidden hidden;
        Apply("two.qln", "[PCI]\r\nPCILatency=96\r\n");
    }
    EXPECT_EQ(PciLatency(), 96u) << "the apply itself goes on";
    EXPECT_EQ(ReadWholeFile(snapshot_), before);
}

// A scanner or a sync tool holding boot.qln open: the first run of the boot cannot save
// it, says so in the log with the values, and a later run of the boot (after a write)
// saves the first read, never the tuning it finds.
TEST_F(BootSnapshotTest, ASnapshotThatCannotBeSavedIsTakenLaterFromTheBootsFirstRead) {
    HANDLE held = CreateFileA(snapshot_.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n");
    CloseHandle(held);
    EXPECT_EQ(PciLatency(), 64u) << "the apply itself goes on";
    const std::string log = ReadWholeFile(WriteLogPath());
    EXPECT_NE(log.find(" boot values not saved to " + snapshot_ + ";"), std::string::npos) << log;
    EXPECT_NE(log.find("  00:08.0+18 boot 20"), std::string::npos) << log;

    Apply("two.qln", "[PCI]\r\nPCILatency=96\r\n");
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "32") << "the first apply's tuning saved as the firmware's";
    EXPECT_EQ(Snapshot("Snapshot", "Boot").substr(0, 3), "NT ");
}

// While it lives, the boot's first read cannot be recorded: the registry key above it
// lets this user create nothing, as for a user who is no administrator. Wine keeps to a
// key's access list as Windows does.
class BootRecordRefused {
public:
    BootRecordRefused() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Boot");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Quillon");
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRRCWD;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                  nullptr))
            return;
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillon", 0, nullptr, 0, WRITE_DAC, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            made_ = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
        LocalFree(readOnly);
        HKEY probe = nullptr;
        if (made_ && RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillon", 0, KEY_CREATE_SUB_KEY, &probe) ==
                         ERROR_SUCCESS) {
            RegCloseKey(probe);
            made_ = false;  // the list is not kept to
        }
    }
    ~BootRecordRefused() {
        HKEY key = nullptr;
        PSECURITY_DESCRIPTOR open = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillon", 0, WRITE_DAC, &key) == ERROR_SUCCESS &&
            ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr)) {
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, open);
            LocalFree(open);
        }
        if (key != nullptr) RegCloseKey(key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Quillon");
    }
    BootRecordRefused(const BootRecordRefused&) = delete;
    BootRecordRefused& operator=(const BootRecordRefused&) = delete;
    bool made() const { return made_; }

private:
    bool made_ = false;
};

// A user who is no administrator writes first in a boot: their run can neither record
// the first read nor save the snapshot (here: held open). An administrator's run later
// in the boot finds that user's tuning and must not take it for the firmware's.
TEST_F(BootSnapshotTest, ARunThatCannotRecordTheFirstReadKeepsLaterRunsFromTakingItsTuning) {
    if (OnWindows9x()) GTEST_SKIP() << "9x keeps no access lists: every run records";
    HANDLE held = CreateFileA(snapshot_.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        BootRecordRefused refused;
        ASSERT_TRUE(refused.made());
        Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n");
    }
    CloseHandle(held);
    DeleteFileA(WriteLogPath().c_str());  // nor could that user write the log
    Apply("two.qln", "[PCI]\r\nPCILatency=96\r\n");
    EXPECT_EQ(PciLatency(), 96u);
    EXPECT_NE(Snapshot("PCI", "PCILatency"), "64") << "a tuning saved as the firmware's values";
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "") << "no snapshot of this boot can be had";

    // The next boot is a boot like any other.
    NewBoot();
    ResetChipset();
    Apply("three.qln", "[PCI]\r\nPCILatency=64\r\n");
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "32");
}

// The first run of a boot given the snapshot of an earlier one: the file is read before
// this boot's snapshot takes its place, so the restore writes what it holds.
TEST_F(BootSnapshotTest, TheSnapshotAppliedOnTheFirstRunOfABootIsReadBeforeItIsReplaced) {
    Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("PCI", "PCILatency", "96", snapshot_.c_str()));
    NewBoot();
    ResetChipset();
    start_.argumentTail = "\"" + snapshot_ + "\"";
    const ProgramRun restore = RunProgram(start_);
    ASSERT_TRUE(restore.finished);
    EXPECT_TRUE(restore.boxes.empty());
    EXPECT_EQ(PciLatency(), 96u) << "restored nothing";
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "32") << "this boot's own";
    EXPECT_NE(Snapshot("Snapshot", "Boot"), "NT 0000000000000001");
}

// Windows 98 restarting without a POST (Shift + Restart) drops the record with the boot,
// but the chipset keeps the tuning: registers that hold what the log says Quillon last
// wrote are not the firmware's, for the whole boot, and the snapshot there is stays.
TEST_F(BootSnapshotTest, ARestartWithoutAResetKeepsTheSnapshotThereIs) {
    Apply("one.qln", "[PCI]\r\nPCILatency=64\r\n");
    NewBoot();
    const std::string kept = ReadWholeFile(snapshot_);
    Apply("two.qln", "[PCI]\r\nPCILatency=96\r\n");
    Apply("three.qln", "[PCI]\r\nPCILatency=128\r\n");
    EXPECT_EQ(PciLatency(), 128u);
    EXPECT_EQ(ReadWholeFile(snapshot_), kept) << "a tuning saved as the firmware's values";

    // A restart that reset the chipset is a boot like any other.
    NewBoot();
    ResetChipset();
    Apply("four.qln", "[PCI]\r\nPCILatency=64\r\n");
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "32");
}

// Windows starts the Run entries in the system folder; a limited user may write nothing
// there, and the log entry of the logon apply holds the values the firmware set.
TEST_F(BootSnapshotTest, ALogonApplyStartedInTheSystemFolderKeepsItsFilesInTheMachinesFolder) {
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::vector<std::string> systemBefore = FolderNames(system);
    const std::string startup = folder_ + "\\startup.qln";
    WriteWholeFile(startup, "[PCI]\r\nPCILatency=64\r\n");
    SetRunValue(BuildStartupCommand(start_.exePath, startup));
    start_.workingDirectory = system;
    start_.argumentTail = startup;
    start_.environment = {{"QUILLON_CONFIRM_SECONDS", "1"}, {"QUILLON_SHIFT_WATCH_MS", "100"}};
    bool recordSeen = false;
    start_.whileRunning = [&](unsigned long) {
        recordSeen = recordSeen || FileExists(startup + ".pending");
        return false;
    };
    const ProgramRun run = RunProgram(start_);
    DeleteRunValue();
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(PciLatency(), 64u);
    EXPECT_TRUE(recordSeen) << "guarded as always";
    EXPECT_FALSE(FileExists(startup + ".pending"));
    EXPECT_NE(ReadWholeFile(WriteLogPath()).find(" logon " + startup + "\r\n"), std::string::npos);
    EXPECT_EQ(Snapshot("PCI", "PCILatency"), "32");
    EXPECT_EQ(FolderNames(system), systemBefore);
}

// The record itself, as every run (of any copy of Quillon) finds it: the first read of
// the boot, never replaced by a later one, gone with the boot (a volatile key takes no
// key that would be saved; on 9x an atom).
TEST(BootRecordTest, TheFirstReadOfTheBootIsKeptUntilTheBootEnds) {
    ForgetBootRecord();
    BootFirstRead first{{1, 2, 3, 4, 5, 6}, true}, found;
    ASSERT_EQ(RecordFirstRead(first, &found), BootRecordState::MadeNow);
    EXPECT_EQ(found.values, first.values);
    const BootFirstRead later{{7, 8, 9, 10, 11, 12}, false};
    ASSERT_EQ(RecordFirstRead(later, &found), BootRecordState::Earlier);
    EXPECT_EQ(found.values, first.values);
    EXPECT_TRUE(found.firmware);
    if (!OnWindows9x()) {
        HKEY probe = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Boot\\Saved", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &probe, nullptr),
                  ERROR_CHILD_MUST_BE_VOLATILE);
    }
    ForgetBootRecord();
    ASSERT_EQ(RecordFirstRead(later, &found), BootRecordState::MadeNow);
    EXPECT_FALSE(found.firmware);
    ForgetBootRecord();
}

}  // namespace
