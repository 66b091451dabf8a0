// Registering and removing the silent apply at logon.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/logon_rules.h"
#include "app/machine_folder.h"
#include "app/startup_commands.h"
#include "hw/pci_registers.h"
#include "hw/windows_family.h"
#include "model/field_catalogue.h"
#include "tests/support/dialogs.h"
#include "tests/support/run_key.h"
#include "tests/support/test_files.h"
#include "tests/win/record_places.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(MAX_PATH, previous_);
        root_ = MakeScratchFolder("startup");
    }
    void TearDown() override {
        SetCurrentDirectoryA(previous_);
        RemoveTree(root_);
        RemoveStartupSettings();
    }
    // Started from the folder that holds quillon.exe, as the command it registers
    // needs; only the file's presence counts.
    void StartIn(const std::string& folder) {
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteWholeFile(folder + "\\quillon.exe", "");
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        ASSERT_TRUE(ComputeAppPaths());
    }

    char previous_[MAX_PATH];
    std::string root_;
};

TEST_F(StartupTest, PathsFollowTheWorkingDirectoryNotTheExecutable) {
    StartIn(root_ + "\\plain");
    EXPECT_EQ(AppDirectory, root_ + "\\plain");
    EXPECT_EQ(ExePath, root_ + "\\plain\\quillon.exe");
    EXPECT_EQ(StartupFilePath, root_ + "\\plain\\startup.qln");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    ASSERT_TRUE(ComputeAppPaths());
    EXPECT_EQ(StartupFilePath, "C:\\\\startup.qln");
}

TEST_F(StartupTest, ApplyStoresCachedValuesAndTheExactCommand) {
    for (const char* name : {"\\plain", "\\with blank"}) {
        StartIn(root_ + name);
        for (PciRegister& reg : RegisterTable) reg.Value = 0;
        SetFieldValue(FieldCatalogue[3], 9);     // a pick not yet written with Set
        SetFieldValue(FieldCatalogue[16], 224);

        DialogAnswerer boxes(AnswerEveryBox{});
        ApplyStartupSettings();
        EXPECT_TRUE(boxes.Stop().empty());

        const std::string saved = ReadWholeFile(StartupFilePath);
        EXPECT_NE(saved.find("Tras=9"), std::string::npos) << saved;
        EXPECT_NE(saved.find("PCILatency=224"), std::string::npos) << saved;
        const RunValue value = ReadRunValue();
        ASSERT_TRUE(value.present);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
        const bool quoted = ExePath.find(' ') != std::string::npos;
        const std::string expected =
            (quoted ? "\"" + ExePath + "\"" : ExePath) + " " + StartupFilePath;
        EXPECT_EQ(value.data, expected);
        EXPECT_EQ(value.size, expected.size() + 1);
    }
}

TEST_F(StartupTest, ApplyTwiceReplacesRemoveTwiceIsSilentFileStays) {
    StartIn(root_ + "\\again");
    DialogAnswerer boxes(AnswerEveryBox{});
    SetFieldValue(FieldCatalogue[1], 3);
    ApplyStartupSettings();
    SetFieldValue(FieldCatalogue[1], 17);
    ApplyStartupSettings();
    EXPECT_NE(ReadWholeFile(StartupFilePath).find("Trc=17"), std::string::npos);
    EXPECT_TRUE(ReadRunValue().present);

    RemoveStartupSettings();
    EXPECT_FALSE(ReadRunValue().present);
    RemoveStartupSettings();
    EXPECT_FALSE(ReadRunValue().present);
    EXPECT_TRUE(FileExists(StartupFilePath));
    EXPECT_TRUE(boxes.Stop().empty());
}

TEST_F(StartupTest, RemoveClearsTheRecordOfAnUnconfirmedLogonApply) {
    StartIn(root_ + "\\registered");
    const std::string registered = StartupFilePath;
    DialogAnswerer boxes(AnswerEveryBox{});
    ApplyStartupSettings();
    StartIn(root_ + "\\elsewhere");  // started again from another folder
    for (const std::string& file : {registered, StartupFilePath})
        WriteWholeFile(PendingRecordPath(file), PendingRecordText(file));

    RemoveStartupSettings();
    EXPECT_FALSE(ReadRunValue().present);
    EXPECT_FALSE(FileExists(PendingRecordPath(registered)));
    EXPECT_FALSE(FileExists(PendingRecordPath(StartupFilePath)));
    EXPECT_TRUE(FileExists(registered));
    EXPECT_TRUE(boxes.Stop().empty());
}

TEST_F(StartupTest, SaveFailureIsReportedAndTheRegistryIsLeftAlone) {
    StartIn(root_ + "\\saving");
    RemoveStartupSettings();
    StartupFilePath = root_ + "\\no such folder\\startup.qln";

    DialogAnswerer answerer(AnswerEveryBox{});
    ApplyStartupSettings();
    const std::vector<DialogSeen> boxes = answerer.Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Save Error");
    EXPECT_EQ(boxes[0].text, "There was an error saving to file \"" + StartupFilePath + "\".");
    EXPECT_FALSE(ReadRunValue().present);
}

TEST_F(StartupTest, FolderWithoutTheProgramSavesAndRegistersNothing) {
    StartIn(root_ + "\\elsewhere");
    DeleteFileA(ExePath.c_str());
    CreateDirectoryA(ExePath.c_str(), nullptr);  // a folder of that name is no program either
    DialogAnswerer answerer(AnswerEveryBox{});
    ApplyStartupSettings();
    const std::vector<DialogSeen> boxes = answerer.Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Quillon");
    EXPECT_EQ(boxes[0].text, StartupProgramMissingMessage(ExePath, AppDirectory));
    EXPECT_NE(boxes[0].text.find("Start quillon.exe from the folder that holds it"), std::string::npos);
    EXPECT_FALSE(ReadRunValue().present);
    EXPECT_FALSE(FileExists(StartupFilePath));
}

// A user without administrative rights: the value stays, and so must the record that
// guards the apply it still starts at every logon.
TEST_F(StartupTest, ValueThatCannotBeDeletedIsReportedAndItsRecordKept) {
    if (OnWindows9x()) GTEST_SKIP() << "9x keeps no access lists: every user may delete the value";
    StartIn(root_ + "\\kept");
    DialogAnswerer answerer(AnswerEveryBox{});
    ApplyStartupSettings();
    const std::string record = PendingRecordPath(StartupFilePath);
    WriteWholeFile(record, PendingRecordText(StartupFilePath));
    {
        RunKeyReadOnly readOnly;
        ASSERT_TRUE(readOnly.made());
        RemoveStartupSettings();
    }
    const std::vector<DialogSeen> boxes = answerer.Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Registry Error");
    EXPECT_EQ(boxes[0].text,
              "Unable to remove system registry value\n"
              "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\WindowsCurrentVersion\\Run\\Quillon");
    EXPECT_TRUE(ReadRunValue().present);
    EXPECT_TRUE(FileExists(record));

    DeleteRunValue();  // absent value, absent key's value: silent
    DialogAnswerer again(AnswerEveryBox{});
    {
        RunKeyReadOnly readOnly;
        RemoveStartupSettings();
    }
    EXPECT_TRUE(again.Stop().empty());
}

TEST_F(StartupTest, RecordKeptNowhereIsSaidButTheTuningIsRegistered) {
    StartIn(root_ + "\\unguarded");
    BlockRecordBeside(StartupFilePath);
    DialogAnswerer answerer(AnswerEveryBox{});
    {
        SharedRecordFolderBlocked blocked;
        ApplyStartupSettings();
    }
    std::vector<DialogSeen> boxes = answerer.Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Quillon");
    EXPECT_EQ(boxes[0].text, NoRecordPlaceMessage(StartupFilePath, MachineRecordFolderPath()));
    EXPECT_TRUE(ReadRunValue().present);
    EXPECT_TRUE(FileExists(StartupFilePath));

    // With the shared folder usable again, it is made for every user, and that is enough.
    RemoveTree(MachineQuillonFolder());
    DialogAnswerer quiet(AnswerEveryBox{});
    ApplyStartupSettings();
    EXPECT_TRUE(quiet.Stop().empty());
    const DWORD shared = GetFileAttributesA(MachineRecordFolderPath().c_str());
    EXPECT_TRUE(shared != INVALID_FILE_ATTRIBUTES && (shared & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(FileExists(SharedRecordOf(StartupFilePath))) << "the check leaves no record";
}

// After a hang the user answers No, picks safer values and registers again: the record
// stood for the tuning just replaced, which no logon will apply again. A save that
// fails replaces nothing, and the record stays.
TEST_F(StartupTest, ReplacingTheStartupFileClearsTheRecordOfTheTuningItReplaced) {
    StartIn(root_ + "\\pending");
    const std::string beside = PendingRecordPath(StartupFilePath);
    const std::string shared = SharedRecordOf(StartupFilePath);
    ASSERT_FALSE(MachineRecordFolder().empty());
    WriteWholeFile(StartupFilePath, "[PCI]\r\nPCILatency=248\r\n");
    SetFileAttributesA(StartupFilePath.c_str(), FILE_ATTRIBUTE_READONLY);
    for (const std::string& record : {beside, shared}) WriteWholeFile(record, PendingRecordText(StartupFilePath));
    {
        DialogAnswerer answerer(AnswerEveryBox{});
        ApplyStartupSettings();
        ASSERT_EQ(answerer.Stop().size(), 1u);  // the save's error
    }
    EXPECT_TRUE(FileExists(beside));
    EXPECT_TRUE(FileExists(shared));

    SetFileAttributesA(StartupFilePath.c_str(), FILE_ATTRIBUTE_NORMAL);
    DialogAnswerer answerer(AnswerEveryBox{});
    ApplyStartupSettings();
    EXPECT_TRUE(answerer.Stop().empty());
    EXPECT_FALSE(FileExists(beside));
    EXPECT_FALSE(FileExists(shared));
}

// The record stays wherever the tuning it guards may still hang the next logon: when the
// Run value cannot be written (the old value still applies the file, now unguarded), and
// while the logon apply of the very tuning saved is still in its period (the window
// opened within it shows that tuning). Another tuning saved then is never applied yet.
TEST_F(StartupTest, TheRecordStaysWhileTheTuningItGuardsMayStillHangALogon) {
    StartIn(root_ + "\\guarded");
    const std::string record = PendingRecordPath(StartupFilePath);
    const auto applyWith = [&](uint32_t trc) {
        SetFieldValue(FieldCatalogue[1], trc);
        DialogAnswerer answerer(AnswerEveryBox{});
        ApplyStartupSettings();
        return answerer.Stop();
    };
    ASSERT_TRUE(applyWith(3).empty());
    WriteWholeFile(record, PendingRecordText(StartupFilePath));
    if (!OnWindows9x()) {
        RunKeyReadOnly readOnly;
        ASSERT_TRUE(readOnly.made());
        const std::vector<DialogSeen> boxes = applyWith(17);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "Registry Error");
        EXPECT_TRUE(FileExists(record)) << "cleared though the old value still applies the file";
    }
    ASSERT_TRUE(applyWith(17).empty());  // the tuning a logon apply then writes
    WriteWholeFile(record, PendingRecordText(StartupFilePath));
    const HANDLE running = CreateEventA(nullptr, TRUE, FALSE, MachineWideObjectName("QuillonLogonApplyRunning").c_str());
    ASSERT_NE(running, nullptr);
    ASSERT_TRUE(applyWith(17).empty());
    EXPECT_TRUE(FileExists(record)) << "cleared while the apply of that tuning is in its period";
    ASSERT_TRUE(applyWith(5).empty());
    EXPECT_FALSE(FileExists(record));
    CloseHandle(running);
}

}  // namespace
