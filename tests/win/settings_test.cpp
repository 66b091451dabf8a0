// Settings files on real files through the Windows profile functions.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "hw/pci_functions.h"
#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "model/settings.h"
#include "model/write_log.h"
#include "model/write_report.h"
#include "tests/support/field_lookup.h"
#include "tests/support/test_files.h"
#include "tests/support/text_lines.h"

namespace {

using Registers = std::array<uint32_t, kRegisterCount>;

Registers Snapshot() {
    Registers values{};
    for (size_t i = 0; i < kRegisterCount; ++i) values[i] = RegisterTable[i].Value;
    return values;
}

void Restore(const Registers& values) {
    for (size_t i = 0; i < kRegisterCount; ++i) RegisterTable[i].Value = values[i];
}

uint32_t Value(const char* key) { return GetFieldValue(Field(key)); }

// Every register filled with bits in and between the fields.
const Registers kBusyRegisters = {0xA5A5A5A5, 0x5A5A5A5A, 0xC3C3C3C3,
                                  0x3C3C3C3C, 0x96969696, 0x69696969};

uint32_t BusyValue(const char* key) {
    const RegisterField& f = Field(key);
    return (kBusyRegisters[static_cast<size_t>(f.Register->Id)] & FieldMask(f)) >> f.Shift;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(MAX_PATH, startDirectory_);
        folder_ = MakeScratchFolder("settings");
        Restore({});
        functions_ = FunctionTable;
    }
    void TearDown() override {
        SetCurrentDirectoryA(startDirectory_);
        RemoveTree(folder_);
        FunctionTable = functions_;
        for (PciRegister& reg : RegisterTable) reg.Present = true;
    }
    // The names of the files in the scratch folder.
    std::vector<std::string> FolderContents() const { return FolderNames(folder_); }
    // A new name for every file: the profile functions cache files by name.
    std::string NewPath() { return folder_ + "\\set" + std::to_string(++files_) + ".qln"; }
    std::string FileWith(const std::string& text) {
        const std::string path = NewPath();
        WriteWholeFile(path, text);
        return path;
    }
    // Loads a file that names one key with `value`, over busy registers.
    Registers LoadOne(const char* section, const char* key, const std::string& value) {
        Restore(kBusyRegisters);
        const std::string path =
            FileWith(WindowsLines({"[" + std::string(section) + "]", key + ("=" + value)}));
        EXPECT_TRUE(LoadSettings(path.c_str()));
        return Snapshot();
    }

    std::string folder_;
    char startDirectory_[MAX_PATH] = {};
    int files_ = 0;
    FunctionArray functions_;
};

TEST_F(SettingsTest, SaveWritesFourSectionsOfDecimalValuesInCatalogueOrder) {
    Restore({0x00020000, 0x12345678, 0x76543210, 0x00004000, 0x48000000, 0xFF000000});
    const std::string path = NewPath();
    ASSERT_TRUE(SaveSettings(path.c_str()));
    const std::vector<std::string> expected = {
        "[DRAM]",        "AutoPrecharge=1", "Trc=24",  "Trfc=22", "Tras=8",   "Trcdr=3",
        "Trcdw=2",       "Trp=1",           "[DRAM_ALPHA]",       "Tdoe=7",   "Trrd=6",
        "Tw2p=5",        "Tw2r=4",          "Trext=3", "Tr2p=2",  "Tr2w=1",   "[AGP]",
        "AGPControllerLatency=64",          "AGPBusLatency=72",   "[PCI]",    "PCILatency=255"};
    EXPECT_EQ(NonBlankLines(ReadWholeFile(path)), expected);
}

TEST_F(SettingsTest, SaveKeepsWhatElseTheFileHoldsAndReplacesKeysInPlace) {
    const std::string path = FileWith(WindowsLines({
        "; tuned for the office machine", "[Notes]", "Owner=Ann", "[dram]", "TRC=3",
        "Comment=keep me", "Trfc=not a number", "[PCI]", "Extra=1"}));
    Restore({0, 0x00000007, 0, 0, 0, 0x20000000});
    ASSERT_TRUE(SaveSettings(path.c_str()));

    const std::vector<std::string> lines = NonBlankLines(ReadWholeFile(path));
    const std::vector<std::string> start(lines.begin(), lines.begin() + 7);
    const std::vector<std::string> expectedStart = {
        "; tuned for the office machine", "[Notes]", "Owner=Ann", "[dram]", "TRC=7",
        "Comment=keep me", "Trfc=0"};
    EXPECT_EQ(start, expectedStart);
    for (const char* kept : {"Extra=1", "PCILatency=32", "Trp=0", "[DRAM_ALPHA]", "[AGP]"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), kept), lines.end()) << kept;
    // 9 lines of the user's, 17 keys less the 2 replaced, 2 new section headers.
    EXPECT_EQ(lines.size(), 26u) << "every key once, nothing lost";
}

// The new content takes the old file's place, not its looks: a file the user hid stays
// hidden (on the NT family its access list stays too, which only real Windows shows).
TEST_F(SettingsTest, SaveKeepsTheFilesAttributes) {
    const std::string path = FileWith("[PCI]\r\nPCILatency=64\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(SaveSettings(path.c_str()));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(FolderContents().size(), 1u) << "nothing left beside it";
}

TEST_F(SettingsTest, LoadChangesOnlyTheFieldsTheFileNames) {
    Restore(kBusyRegisters);
    const std::string onlyPci = FileWith(WindowsLines({"[PCI]", "PCILatency=72"}));
    ASSERT_TRUE(LoadSettings(onlyPci.c_str()));
    Registers expected = kBusyRegisters;
    expected[5] = (kBusyRegisters[5] & 0x00FFFFFF) | 0x48000000;  // 72, no choice of its own
    EXPECT_EQ(Snapshot(), expected);

    const std::string missing = folder_ + "\\missing.qln";
    EXPECT_TRUE(LoadSettings(missing.c_str()));
    EXPECT_EQ(Snapshot(), expected);
    EXPECT_FALSE(FileExists(missing));
}

// The reader's forms are tested natively; this is what reaches it through the profile
// functions, which drop blanks around a value but keep those inside quotes.
TEST_F(SettingsTest, LoadTakesOnlyNumbersThatFitTheField) {
    constexpr int kIgnored = -1;
    const struct {
        const char* section;
        const char* key;
        const char* text;
        int loaded;
    } cases[] = {
        {"DRAM", "Trc", "0x1F", 31},           {"DRAM", "Trc", "$000000001F", 31},
        {"DRAM", "Trc", "  31  ", 31},         {"DRAM", "Trc", "\" 31\"", 31},
        {"DRAM", "Tras", "+5", 5},             {"DRAM", "Tras", "15", 15},
        {"AGP", "AGPBusLatency", "255", 255},  {"DRAM", "Tras", "16", kIgnored},
        {"DRAM", "Tras", "-1", kIgnored},      {"DRAM", "Trc", "$FFFFFFFF", kIgnored},
        {"DRAM", "AutoPrecharge", "2", kIgnored}, {"AGP", "AGPBusLatency", "256", kIgnored},
        {"DRAM", "Trc", "0x", kIgnored},       {"DRAM", "Trc", "-$1", kIgnored},
        {"DRAM", "Trc", "1F", kIgnored},       {"DRAM", "Trc", "3\t1", kIgnored},
        {"DRAM", "Trc", "\"31 \"", kIgnored}, {"DRAM", "Trc", "\"\t31\"", kIgnored},
        {"DRAM", "Trc", "", kIgnored},
    };
    for (const auto& c : cases) {
        Restore(kBusyRegisters);
        if (c.loaded != kIgnored) SetFieldValue(Field(c.key), static_cast<uint32_t>(c.loaded));
        const Registers expected = Snapshot();
        EXPECT_EQ(LoadOne(c.section, c.key, c.text), expected) << c.key << "=" << c.text;
    }
}

TEST_F(SettingsTest, RelativeAndBarePathsStayInTheCurrentFolder) {
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    ASSERT_TRUE(CreateDirectoryA("sub", nullptr));
    const std::string bare = "bare" + std::to_string(GetCurrentProcessId()) + ".qln";
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string strayCopy = std::string(windows) + "\\" + bare;

    Restore(kBusyRegisters);
    ASSERT_TRUE(SaveSettings(bare.c_str()));
    ASSERT_TRUE(SaveSettings("sub\\..\\sub\\nested.qln"));
    EXPECT_TRUE(FileExists(folder_ + "\\" + bare));
    EXPECT_TRUE(FileExists(folder_ + "\\sub\\nested.qln"));
    EXPECT_FALSE(FileExists(strayCopy));
    DeleteFileA(strayCopy.c_str());

    Restore({});
    ASSERT_TRUE(LoadSettings(bare.c_str()));
    for (const RegisterField& f : FieldCatalogue)
        EXPECT_EQ(GetFieldValue(f), BusyValue(f.Key)) << f.Key;
}

TEST_F(SettingsTest, RoundTripRestoresEveryFieldAndNoOtherBits) {
    for (const Registers& saved : {kBusyRegisters, Registers{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                                                             0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}}) {
        Restore(saved);
        const std::string path = NewPath();
        ASSERT_TRUE(SaveSettings(path.c_str()));
        Restore({});
        ASSERT_TRUE(LoadSettings(path.c_str()));
        for (size_t i = 0; i < kRegisterCount; ++i) {
            uint32_t fieldBits = 0;
            for (const RegisterField& f : FieldCatalogue)
                if (f.Register == &RegisterTable[i]) fieldBits |= FieldMask(f);
            EXPECT_EQ(RegisterTable[i].Value, saved[i] & fieldBits) << "register " << i;
        }
    }
}

TEST_F(SettingsTest, ExampleFilesNameEveryFieldValidly) {
    const std::string beside = TestExecutableFolder();
    for (const char* name : {"sample.qln", "fast.qln"}) {
        const std::string example = beside + "\\examples\\" + name;
        ASSERT_TRUE(FileExists(example)) << example;
        Restore(kBusyRegisters);
        ASSERT_TRUE(LoadSettings(example.c_str()));
        const std::string copy = NewPath();
        ASSERT_TRUE(SaveSettings(copy.c_str()));
        EXPECT_EQ(NonBlankLines(ReadWholeFile(copy)), NonBlankLines(ReadWholeFile(example))) << name;
    }
}

TEST_F(SettingsTest, SaveFailsWhereItCannotWriteAndLosesNothing) {
    Restore(kBusyRegisters);
    const std::string inMissingFolder = folder_ + "\\missing\\set.qln";
    EXPECT_FALSE(SaveSettings(inMissingFolder.c_str()));
    EXPECT_FALSE(FileExists(folder_ + "\\missing"));

    // Another program holding the file open without sharing writes.
    const std::string original = WindowsLines({"[DRAM]", "Trc=3"});
    const std::string locked = FileWith(original);
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveSettings(locked.c_str()));
    CloseHandle(holder);
    EXPECT_EQ(ReadWholeFile(locked), original);
    Restore({});
    ASSERT_TRUE(LoadSettings(locked.c_str()));
    EXPECT_EQ(Value("Trc"), 3u) << "a failed save must not show up in later loads";

    EXPECT_FALSE(SaveSettings(""));
    EXPECT_FALSE(LoadSettings(""));
}

TEST_F(SettingsTest, SaveFailsOnAReadOnlyFile) {
    const std::string original = WindowsLines({"[DRAM]", "Trc=3"});
    const std::string path = FileWith(original);
    // Refused also where this account could write it (root under Wine can).
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    Restore(kBusyRegisters);
    EXPECT_FALSE(SaveSettings(path.c_str()));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadWholeFile(path), original);
}

TEST_F(SettingsTest, FullPathsOfMaxPathCharactersAreRefusedUntouched) {
    // Full path = folder + "\" + name; the last one that fits has MAX_PATH - 1 characters.
    const size_t nameLength = MAX_PATH - 1 - folder_.size() - 1;
    ASSERT_LE(nameLength, 250u) << "one path component must stay within the file system's limit";
    const std::string fits = folder_ + "\\" + std::string(nameLength, 'f');
    const std::string tooLong = folder_ + "\\" + std::string(nameLength + 1, 'l');
    Restore(kBusyRegisters);

    EXPECT_FALSE(SaveSettings(tooLong.c_str()));
    EXPECT_FALSE(FileExists(tooLong));
    WriteWholeFile(tooLong, WindowsLines({"[PCI]", "PCILatency=16"}));
    EXPECT_FALSE(LoadSettings(tooLong.c_str()));
    EXPECT_EQ(Snapshot(), kBusyRegisters);

    EXPECT_TRUE(SaveSettings(fits.c_str()));
    EXPECT_TRUE(LoadSettings(fits.c_str()));
    EXPECT_EQ(Snapshot(), kBusyRegisters);
}

TEST_F(SettingsTest, AFailedSaveLeavesTheOldFileWholeAndNothingBesideIt) {
    const std::string original = WindowsLines({"[Notes]", "Owner=Ann", "[DRAM]", "Trc=3"});
    const std::string path = FileWith(original);
    const std::vector<std::string> before = FolderContents();

    // The new content fails half-way: some keys are written, then a write fails.
    static int keysWritten;
    keysWritten = 0;
    EXPECT_FALSE(WriteSettingsFileWhole(
        path.c_str(),
        [](const char* contentPath, const void*) {
            for (const char* key : {"Trc", "Trfc", "Tras"})
                keysWritten += WritePrivateProfileStringA("DRAM", key, "9", contentPath) ? 1 : 0;
            return false;
        },
        nullptr));
    EXPECT_EQ(keysWritten, 3);
    EXPECT_EQ(ReadWholeFile(path), original);
    EXPECT_EQ(FolderContents(), before) << "the new content must not stay behind";

    // A save that works replaces it whole, keeping what we do not know.
    Restore(kBusyRegisters);
    ASSERT_TRUE(SaveSettings(path.c_str()));
    const std::vector<std::string> lines = NonBlankLines(ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
              (std::vector<std::string>{"[Notes]", "Owner=Ann", "[DRAM]", "Trc=26"}));
    EXPECT_EQ(FolderContents(), before);
}

// A save cut short between the write and the move (a crash, a power loss) leaves its
// file beside the target; the next save of the same file removes it, and nothing that
// belongs to another file or to a save still in progress.
TEST_F(SettingsTest, TheNextSaveOfAFileRemovesWhatACutShortSaveLeftBesideIt) {
    const std::string path = FileWith(WindowsLines({"[DRAM]", "Trc=3"}));
    static std::string contentPath;
    EXPECT_FALSE(WriteSettingsFileWhole(path.c_str(), [](const char* p, const void*) {
        contentPath = p;
        return false;
    }, nullptr));
    const std::string name = contentPath.substr(folder_.size() + 1);
    ASSERT_EQ(name.substr(0, 3), "qln");
    WriteWholeFile(contentPath, "[DRAM]\r\nTrc=9\r\n");  // as the crash left it
    const std::string inProgress = folder_ + "\\" + name.substr(0, name.size() - 8) + "FFFF.tmp";
    HANDLE held = CreateFileA(inProgress.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string otherFiles = FileWith("");
    ASSERT_TRUE(SaveSettings(otherFiles.c_str()));
    EXPECT_TRUE(FileExists(contentPath)) << "another file's save removed " << name;
    const std::vector<std::string> others = FolderContents();

    ASSERT_TRUE(SaveSettings(path.c_str()));
    CloseHandle(held);
    EXPECT_FALSE(FileExists(contentPath)) << name << " stayed";
    EXPECT_TRUE(FileExists(inProgress)) << "a save in progress lost its file";
    EXPECT_EQ(FolderContents().size(), others.size() - 1);
}

// Code page 932: "ソ" is 83 5C and "表" 95 5C, whose second bytes are those of '\'.
TEST_F(SettingsTest, CodePageOfEastAsiaFolderAndNameAreSplitByCharacter) {
    const std::string folder = InSystemCodePage(L"\u30BD\u30D5\u30C8");  // ソフト
    const std::string name = InSystemCodePage(L"\u8868\u30BD.qln");        // 表ソ.qln
    if (folder.empty() || name.empty()) GTEST_SKIP() << "the code page lacks the characters";
    const std::string inside = folder_ + "\\" + folder;
    ASSERT_TRUE(CreateDirectoryA(inside.c_str(), nullptr));
    const std::string path = inside + "\\" + name;
    Restore(kBusyRegisters);
    ASSERT_TRUE(SaveSettings(path.c_str()));
    Restore({});
    ASSERT_TRUE(LoadSettings(path.c_str()));
    EXPECT_EQ(Value("Tras"), BusyValue("Tras"));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((inside + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left beside it: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsAFailedLoad) {
    const std::string path = FileWith(WindowsLines({"[PCI]", "PCILatency=16"}));
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Restore(kBusyRegisters);
    EXPECT_FALSE(LoadSettings(path.c_str()));
    CloseHandle(holder);
    EXPECT_EQ(Snapshot(), kBusyRegisters);
    EXPECT_TRUE(LoadSettings(path.c_str()));
    EXPECT_EQ(Value("PCILatency"), 16u);
}

// Identities as the start-up check would have read them on an nForce2 board without an
// external PCI bridge.
void IdentifyMachineWithoutPciBridge() {
    Function(FunctionId::HostBridge).VendorDevice = 0x01E010DE;
    Function(FunctionId::HostBridge).ClassRevision = 0x060000C1;
    Function(FunctionId::MemoryController).VendorDevice = 0x01EB10DE;
    Function(FunctionId::MemoryController).ClassRevision = 0x050000C1;
    Function(FunctionId::MemoryController).Subsystem = 0x0C111043;
    Function(FunctionId::AgpBridge).VendorDevice = 0x01E810DE;
    Function(FunctionId::AgpBridge).ClassRevision = 0x060400C1;
    Function(FunctionId::PciBridge).VendorDevice = 0xFFFFFFFF;
    Register(RegisterId::PciBusLatency).Present = false;
}

TEST_F(SettingsTest, SaveNamesTheMachineAndLeavesOutAbsentDevices) {
    IdentifyMachineWithoutPciBridge();
    Restore(kBusyRegisters);
    const std::string path = FileWith(WindowsLines({"[PCI]", "PCILatency=16", "[Machine]",
                                                    "PciBridge=10DE:006C A3"}));
    ASSERT_TRUE(SaveSettings(path.c_str()));
    const std::vector<std::string> lines = NonBlankLines(ReadWholeFile(path));
    for (const char* line : {"[Machine]", "HostBridge=10DE:01E0 C1", "MemoryController=10DE:01EB C1",
                             "AgpBridge=10DE:01E8 C1", "Board=1043:0C11", "AGPBusLatency=150"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("PCILatency"), std::string::npos) << "an absent bridge has no value";
        EXPECT_EQ(line.find("PciBridge"), std::string::npos);
    }
    EXPECT_EQ(MachineDifferencesOfFile(path.c_str()), "");

    // Loading here never touches the absent bridge's register.
    const std::string other = FileWith(WindowsLines({"[PCI]", "PCILatency=16", "[AGP]",
                                                     "AGPBusLatency=32"}));
    ASSERT_TRUE(LoadSettings(other.c_str()));
    EXPECT_EQ(Value("AGPBusLatency"), 32u);
    EXPECT_EQ(Register(RegisterId::PciBusLatency).Value, kBusyRegisters[5]);
}

TEST_F(SettingsTest, MachineDifferencesNameEveryKeyTheFileHasAndThisMachineLacks) {
    IdentifyMachineWithoutPciBridge();
    const std::string otherBoard = FileWith(WindowsLines(
        {"[Machine]", "hostbridge=10de:01e0 c1", "AgpBridge=10DE:01E8 A2", "PciBridge=10DE:006C A3",
         "Board=", "MemoryController=10DE:01EB C1"}));
    const std::string differences = MachineDifferencesOfFile(otherBoard.c_str());
    EXPECT_EQ(differences,
              "AgpBridge: saved on 10DE:01E8 A2; this machine has 10DE:01E8 C1\n"
              "PciBridge: saved on 10DE:006C A3; this machine has none\n"
              "Board: saved on (empty); this machine has 1043:0C11\n");
    const std::string noMachine = FileWith(WindowsLines({"[DRAM]", "Trc=3"}));
    EXPECT_EQ(MachineDifferencesOfFile(noMachine.c_str()), "");
}

TEST_F(SettingsTest, WriteLogGrowsByEntriesAndStaysUnderItsLimit) {
    const std::string log = folder_ + "\\quillon.log";
    ASSERT_TRUE(AppendToWriteLog(log, "first\r\n"));
    ASSERT_TRUE(AppendToWriteLog(log, "second\r\n"));
    EXPECT_EQ(ReadWholeFile(log), "first\r\nsecond\r\n");

    std::string big;
    while (big.size() < kWriteLogLimit - 8) big += "2026-01-01 00:00:00 file x\r\n  line\r\n";
    WriteWholeFile(log, big);
    ASSERT_TRUE(AppendToWriteLog(log, "newest\r\n  line\r\n"));
    const std::string trimmed = ReadWholeFile(log);
    EXPECT_LT(trimmed.size(), kWriteLogLimit / 2 + 100);
    EXPECT_EQ(trimmed.substr(trimmed.size() - 16), "newest\r\n  line\r\n");
    EXPECT_EQ(trimmed.substr(0, 4), "2026");

    EXPECT_FALSE(AppendToWriteLog(folder_ + "\\missing\\quillon.log", "entry\r\n"));
}

TEST_F(SettingsTest, WriteLogPastAnySizeIsTrimmedAndATrimThatCannotReplaceItStillAppends) {
    const std::string log = folder_ + "\\quillon.log";
    std::string entries;
    while (entries.size() < 3 * kWriteLogLimit) entries += "2026-01-01 00:00:00 file x\r\n  line\r\n";
    WriteWholeFile(log, entries);
    ASSERT_TRUE(AppendToWriteLog(log, "newest\r\n"));
    const std::string trimmed = ReadWholeFile(log);
    EXPECT_LT(trimmed.size(), kWriteLogLimit);
    EXPECT_EQ(trimmed.substr(0, 4), "2026") << "whole entries only";
    EXPECT_EQ(trimmed.substr(trimmed.size() - 8), "newest\r\n");

    // Open in a program that shares it for reading and writing but not for replacing:
    // the trim cannot put the new log in place, so the old stays whole and the entry
    // lands at its end.
    WriteWholeFile(log, entries);
    HANDLE reader = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(AppendToWriteLog(log, "held\r\n"));
    CloseHandle(reader);
    EXPECT_EQ(ReadWholeFile(log), entries + "held\r\n");
}

// Malformed files: each must load without crash or hang and change only what it
// validly names.
class SettingsBadInputTest : public SettingsTest {
protected:
    // Loads `text` over busy registers and returns what changed.
    Registers LoadOverBusy(const std::string& text) {
        Restore(kBusyRegisters);
        const std::string path = FileWith(text);
        EXPECT_TRUE(LoadSettings(path.c_str()));
        return Snapshot();
    }
    static Registers BusyWithPci72() {
        Registers r = kBusyRegisters;
        r[5] = (r[5] & 0x00FFFFFF) | 0x48000000;
        return r;
    }
};

TEST_F(SettingsBadInputTest, RandomBytesAndNulBytesChangeNothing) {
    std::mt19937 random(20240601);
    std::string noise = "junk";  // a file starting with a byte-order mark would be read as UTF-16
    for (int i = 0; i < 64 * 1024; ++i) noise += static_cast<char>(random() & 0xFF);
    EXPECT_EQ(LoadOverBusy(noise), kBusyRegisters);
    EXPECT_EQ(LoadOverBusy(noise + "\r\n[PCI]\r\nPCILatency=72\r\n"), BusyWithPci72());
    EXPECT_EQ(LoadOverBusy(std::string(64 * 1024, '\0')), kBusyRegisters);
}

TEST_F(SettingsBadInputTest, HugeValuesAndHugeFilesAreHandled) {
    // A value longer than the read buffer is never taken for its cut-off beginning.
    const std::string zeros(1 << 20, '0');
    EXPECT_EQ(LoadOverBusy("[DRAM]\r\nTrc=$" + zeros + "1F\r\nTrfc=" + zeros + "7\r\n"
                           "[PCI]\r\nPCILatency=72\r\n"),
              BusyWithPci72());

    std::string many = "[DRAM]\r\n";
    for (int i = 0; i < 100000; ++i)
        many += "Unknown" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    EXPECT_EQ(LoadOverBusy(many + "[PCI]\r\nPCILatency=72\r\n"), BusyWithPci72());
}

TEST_F(SettingsBadInputTest, OddlyFormedLinesChangeOnlyWhatTheyValidlyName) {
    // Which of two duplicates wins is the profile functions' choice; it must be one of them.
    LoadOverBusy(WindowsLines({"[DRAM]", "Trc=1", "Trc=2", "[PCI]", "PCILatency=16", "[DRAM]",
                               "Trc=3", "Tras=4", "[dram]", "Trfc=5"}));
    EXPECT_TRUE(Value("Trc") >= 1 && Value("Trc") <= 3) << Value("Trc");
    EXPECT_TRUE(Value("Tras") == 4 || Value("Tras") == BusyValue("Tras")) << Value("Tras");
    EXPECT_TRUE(Value("Trfc") == 5 || Value("Trfc") == BusyValue("Trfc")) << Value("Trfc");
    EXPECT_EQ(Value("PCILatency"), 16u);

    const Registers keysWithoutValues = LoadOverBusy(WindowsLines(
        {"[DRAM]", "Trc", "Tras 5", "Trp:2", "=7", "[PCI", "PCILatency=72", "AGPBusLatency=16"}));
    EXPECT_EQ(keysWithoutValues, kBusyRegisters);

    const std::string text = "[DRAM]\r\nTrc=7\r\n[PCI]\r\nPCILatency=72\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text) utf16 += std::string{c, '\0'};
    Registers expected = BusyWithPci72();
    expected[1] = (kBusyRegisters[1] & ~0x1Fu) | 7;
    EXPECT_EQ(LoadOverBusy(utf16), expected) << "UTF-16 files are read as text";
}

}  // namespace
