// The logon apply under Wine: quillon.exe started with the file the Run-key value
// names, against the simulated chipset, with the confirmation period shortened.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/logon_rules.h"
#include "hw/code_page.h"
#include "hw/windows_family.h"
#include "sim/chipset.h"
#include "tests/support/run_key.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/support/text_lines.h"
#include "tests/support/window_text.h"
#include "tests/win/process_runner.h"
#include "tests/win/record_places.h"

namespace {

// The hidden window a waiting logon apply keeps, or null.
HWND GuardWindowOf(unsigned long processId) {
    for (HWND window : TopLevelWindows(processId))
        if (WindowClass(window) == "QuillonLogonGuard") return window;
    return nullptr;
}

class LogonGuardTest : public SimulationTest {
protected:
    LogonGuardTest() : SimulationTest("logon") {}
    void SetUp() override {
        startup_ = folder_ + "\\startup.qln";
        char system[MAX_PATH];
        systemFolder_.assign(system, GetSystemDirectoryA(system, MAX_PATH));
        record_ = startup_ + ".pending";
        WriteWholeFile(startup_, "[PCI]\r\nPCILatency=64\r\n");
        start_ = StartInFolder(folder_, state_, log_);
        start_.argumentTail = startup_;
        ConfirmAfter("2");
        SetRunValue(BuildStartupCommand(start_.exePath, startup_));
    }
    void TearDown() override {
        DeleteRunValue();
        if (start_.workingDirectory == systemFolder_) DeleteFileA((systemFolder_ + "\\quillon.log").c_str());
    }

    // The period, and a short Shift watch: only the test of the watch itself needs it whole.
    // The test's folder is named to the program as a variable of its environment, for
    // a Run value that names it so.
    void ConfirmAfter(const char* seconds) {
        start_.environment = {{"QUILLON_CONFIRM_SECONDS", seconds},
                              {"QUILLON_SHIFT_WATCH_MS", shiftWatchMs_},
                              {"QUILLON_TEST_FOLDER", folder_}};
    }
    // As Windows starts a Run entry at logon: in the system folder, with the command
    // as Explorer reads a value of type REG_EXPAND_SZ (startup managers rewrite values
    // so), its variables expanded.
    void StartAsWindowsDoes() {
        start_.workingDirectory = systemFolder_;
        SetRunValue(BuildStartupCommand(start_.exePath, "%QUILLON_TEST_FOLDER%\\startup.qln"), REG_EXPAND_SZ);
    }
    unsigned PciLatency() const {
        return ChipsetStateOrPowerOn(start_.simState).ConfigRead(0, 8, 0, 0x18) >> 24;
    }
    size_t PortCalls() const { return LineCount(ReadWholeFile(start_.simLog)); }

    const char* shiftWatchMs_ = "100";

    std::string startup_, record_, systemFolder_;
    ProgramStart start_;
};

// The message box a program has open, or null.
HWND OpenBoxOf(unsigned long processId) {
    for (HWND window : TopLevelWindows(processId))
        if (WindowClass(window) == "#32770" && IsWindowVisible(window)) return window;
    return nullptr;
}

// Logs off, as Windows asks each top-level window of the program.
void EndSession(HWND window) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer);
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer);
}

TEST_F(LogonGuardTest, ConfirmedApplyRecordsWaitsHiddenThenClearsAndEndsWithZero) {
    // The Run value's file, however it is spelled and quoted, is the logon's.
    std::string spelled = startup_;
    CharUpperA(&spelled[0]);
    start_.argumentTail = "\"" + spelled + "\" ";
    std::string recordSeen;
    bool guardHidden = false, guardSeen = false;
    start_.whileRunning = [&](unsigned long processId) {
        if (HWND guard = GuardWindowOf(processId)) {
            guardSeen = true;
            guardHidden = !IsWindowVisible(guard);
            if (recordSeen.empty()) recordSeen = ReadWholeFile(record_);
        }
        return false;
    };
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_FALSE(run.mainWindowOpened);
    EXPECT_TRUE(guardSeen);
    EXPECT_TRUE(guardHidden);
    EXPECT_TRUE(RecordNamesFile(recordSeen, startup_, IsSystemLeadByte)) << recordSeen;
    EXPECT_FALSE(FileExists(record_));
    EXPECT_EQ(PciLatency(), 64u);
}

TEST_F(LogonGuardTest, ApplyEndedDuringThePeriodMakesTheNextLogonAskBeforeWriting) {
    ConfirmAfter("60");
    // Written: hang now.
    start_.whileRunning = [&](unsigned long) { return PortCalls() == kCheckPortCalls + 36; };
    const ProgramRun hung = RunProgram(start_);
    ASSERT_FALSE(hung.finished);
    ASSERT_TRUE(FileExists(record_));
    ASSERT_EQ(PciLatency(), 64u);

    start_.whileRunning = nullptr;
    WriteWholeFile(startup_, "[PCI]\r\nPCILatency=128\r\n");
    DeleteFileA(start_.simLog.c_str());
    const ProgramRun no = RunProgram(start_);
    ASSERT_TRUE(no.finished);
    EXPECT_EQ(no.exitCode, 0u);
    ASSERT_EQ(no.boxes.size(), 1u);
    EXPECT_EQ(no.boxes[0].caption, "Quillon");
    EXPECT_EQ(no.boxes[0].text, UnconfirmedApplyQuestion(startup_));
    EXPECT_TRUE(no.boxes[0].yesNo);
    EXPECT_TRUE(no.boxes[0].noIsDefault);
    EXPECT_TRUE(no.boxes[0].hasIcon);
    EXPECT_EQ(PortCalls(), kCheckPortCalls);  // the machine checks only: no register touched
    EXPECT_EQ(PciLatency(), 64u);
    EXPECT_TRUE(FileExists(record_)) << "the next logon must ask again";

    ConfirmAfter("1");
    start_.answerYes = true;
    bool guardedAgain = false;
    start_.whileRunning = [&](unsigned long processId) {
        guardedAgain = guardedAgain || (GuardWindowOf(processId) != nullptr && FileExists(record_));
        return false;
    };
    const ProgramRun yes = RunProgram(start_);
    ASSERT_TRUE(yes.finished);
    ASSERT_EQ(yes.boxes.size(), 1u);
    EXPECT_TRUE(yes.boxes[0].yesNo);
    EXPECT_EQ(PciLatency(), 128u);
    EXPECT_TRUE(guardedAgain);
    EXPECT_FALSE(FileExists(record_));
}

TEST_F(LogonGuardTest, RunValueOfExpandableTypeIsTheLogonsAsExplorerStartsIt) {
    StartAsWindowsDoes();
    bool recorded = false;
    start_.whileRunning = [&](unsigned long processId) {
        recorded = recorded || (GuardWindowOf(processId) != nullptr && FileExists(record_));
        return false;
    };
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_TRUE(recorded) << "applied as a plain file, unguarded";
    EXPECT_FALSE(FileExists(record_));
    EXPECT_EQ(PciLatency(), 64u);
    EXPECT_FALSE(FileExists(systemFolder_ + "\\quillon.log")) << "logged in the folder the logon started it in";
}

// A logon's box shown after the record is written (a field the chipset refuses, at every
// logon; a file that does not load) and still open when the user logs off: an orderly
// end of the session like any other, after which Windows ends the program.
TEST_F(LogonGuardTest, EndOfSessionWhileABoxIsOpenLeavesNoRecord) {
    StartAsWindowsDoes();
    ConfirmAfter("60");
    start_.leaveBoxesOpen = true;
    for (const char* content : {"[AGP]\r\nAGPBusLatency=255\r\n", ""}) {
        if (*content) WriteWholeFile(startup_, content); else DeleteFileA(startup_.c_str());
        bool boxSeen = false, guarded = false;
        start_.whileRunning = [&](unsigned long processId) {
            guarded = guarded || FileExists(record_);
            if (OpenBoxOf(processId) == nullptr) return false;
            boxSeen = true;
            for (HWND window : TopLevelWindows(processId)) EndSession(window);
            return true;
        };
        RunProgram(start_);
        ASSERT_TRUE(boxSeen) << content;
        EXPECT_TRUE(guarded || !*content) << "applied unguarded";
        EXPECT_FALSE(FileExists(record_)) << "the next logon would ask about a tuning Windows stayed up for: " << content;
    }
}

// A Run value the program cannot read might name the file Windows starts at logon: the
// apply is then guarded, never a plain unguarded one.
TEST_F(LogonGuardTest, RunValueThatCannotBeReadMakesTheApplyGuarded) {
    ConfirmAfter("1");
    const std::string command = BuildStartupCommand(start_.exePath, startup_);
    for (DWORD type : {static_cast<DWORD>(REG_BINARY), static_cast<DWORD>(REG_MULTI_SZ)}) {
        SetRunValue(command, type);
        bool guarded = false;
        start_.whileRunning = [&](unsigned long processId) {
            guarded = guarded || (GuardWindowOf(processId) != nullptr && FileExists(record_));
            return false;
        };
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << type;
        EXPECT_TRUE(run.boxes.empty()) << type;
        EXPECT_TRUE(guarded) << "applied unguarded with a Run value of type " << type;
        EXPECT_FALSE(FileExists(record_));
        EXPECT_EQ(PciLatency(), 64u);
    }
}

// The record is written before the apply waits for the ports (up to five seconds), reads,
// takes the snapshot and writes: a logoff meanwhile is as orderly as one in the period.
// The port calls are slowed so that the logoff comes before the write is through.
TEST_F(LogonGuardTest, EndOfSessionBeforeTheWriteIsThroughLeavesNoRecord) {
    ConfirmAfter("60");
    start_.environment.push_back({"QUILLON_SIM_DELAY_MS", "50"});
    size_t callsWhenTold = 0;
    bool recordLeft = true;
    start_.whileRunning = [&](unsigned long processId) {
        if (!FileExists(record_)) return callsWhenTold != 0;
        callsWhenTold = PortCalls();
        for (HWND window : TopLevelWindows(processId)) EndSession(window);
        recordLeft = FileExists(record_);
        return true;  // Windows ends the program once the session is over
    };
    RunProgram(start_);
    ASSERT_NE(callsWhenTold, 0u) << "no record seen";
    EXPECT_LT(callsWhenTold, kCheckPortCalls + 36) << "told only once the write was through";
    EXPECT_FALSE(recordLeft) << "the next logon would ask whether a logoff hung the machine";
}

TEST_F(LogonGuardTest, OrderlyEndOfSessionDuringThePeriodClearsTheRecord) {
    ConfirmAfter("60");
    LRESULT queryAnswer = 0;
    bool told = false;
    start_.whileRunning = [&](unsigned long processId) {
        HWND guard = GuardWindowOf(processId);
        if (told || guard == nullptr || !FileExists(record_)) return false;
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(guard, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer);
        queryAnswer = static_cast<LRESULT>(answer);
        SendMessageTimeoutA(guard, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer);
        told = true;
        return false;
    };
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(told);
    ASSERT_TRUE(run.finished) << "still waiting after the session ended";
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(queryAnswer, TRUE);
    EXPECT_FALSE(FileExists(record_));
    EXPECT_EQ(PciLatency(), 64u);
}

// An installer or the restart manager closing applications: Windows goes on, and so
// does the wait; the period then confirms as usual.
TEST_F(LogonGuardTest, ClosingApplicationsOnlyIsNoEndOfSession) {
    ConfirmAfter("4");
    DWORD toldAt = 0;
    bool recordStayed = false, checked = false;
    start_.whileRunning = [&](unsigned long processId) {
        HWND guard = GuardWindowOf(processId);
        if (toldAt == 0 && guard != nullptr && FileExists(record_)) {
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(guard, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 5000, &answer);
            SendMessageTimeoutA(guard, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 5000, &answer);
            toldAt = GetTickCount();
        } else if (toldAt != 0 && !checked && GetTickCount() - toldAt > 1000) {
            recordStayed = FileExists(record_);
            checked = true;
        }
        return false;
    };
    const ProgramRun run = RunProgram(start_);
    ASSERT_NE(toldAt, 0u);
    ASSERT_TRUE(checked) << "ended within a second of the applications' close";
    EXPECT_TRUE(recordStayed);
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(FileExists(record_));
}

TEST_F(LogonGuardTest, EightDotThreeSpellingOfTheFileIsTheLogonsFile) {
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(startup_.c_str(), shortPath, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::string shortStartup(shortPath, length);
    ASSERT_NE(shortStartup, startup_);
    ConfirmAfter("1");
    // The Run value in one spelling, the argument in the other, both ways round.
    for (const auto& [registered, given] :
         {std::make_pair(startup_, shortStartup), std::make_pair(shortStartup, startup_)}) {
        SetRunValue(BuildStartupCommand(start_.exePath, registered));
        start_.argumentTail = given;
        std::string recordSeen;
        start_.whileRunning = [&](unsigned long processId) {
            if (recordSeen.empty() && GuardWindowOf(processId)) recordSeen = ReadWholeFile(record_);
            return false;
        };
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished) << given;
        EXPECT_TRUE(run.boxes.empty()) << given;
        EXPECT_EQ(recordSeen, PendingRecordText(startup_)) << "registered " << registered;
        EXPECT_FALSE(FileExists(record_));
    }
}

// Code page 932: "ア" is 83 41 and "ヂ" 83 61, second bytes that are also 'A' and 'a'.
// A file in the one folder is not the logon's file in the other.
TEST_F(LogonGuardTest, CodePageOfEastAsiaFoldersDifferingInASecondByteAreTwo) {
    const std::string logons = InSystemCodePage(L"\u30A2"), other = InSystemCodePage(L"\u30C2");
    if (logons.empty() || other.empty()) GTEST_SKIP() << "the code page lacks the characters";
    ConfirmAfter("1");
    for (const std::string& name : {logons, other}) {
        ASSERT_TRUE(CreateDirectoryA((folder_ + "\\" + name).c_str(), nullptr));
        WriteWholeFile(folder_ + "\\" + name + "\\startup.qln", "[PCI]\r\nPCILatency=" +
                       std::string(name == logons ? "64" : "96") + "\r\n");
    }
    SetRunValue(BuildStartupCommand(start_.exePath, folder_ + "\\" + logons + "\\startup.qln"));
    for (const std::string& name : {other, logons}) {
        start_.argumentTail = folder_ + "\\" + name + "\\startup.qln";
        bool guarded = false;
        start_.whileRunning = [&](unsigned long processId) {
            guarded = guarded || GuardWindowOf(processId) != nullptr;
            return false;
        };
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_EQ(guarded, name == logons) << start_.argumentTail;
        EXPECT_EQ(PciLatency(), name == logons ? 64u : 96u);
    }
}

TEST_F(LogonGuardTest, OtherSilentAppliesNeverRecordOrWait) {
    ConfirmAfter("60");
    bool guardSeen = false;
    start_.whileRunning = [&](unsigned long processId) {
        guardSeen = guardSeen || GuardWindowOf(processId) != nullptr;
        return false;
    };
    WriteWholeFile(folder_ + "\\other.qln", "[PCI]\r\nPCILatency=32\r\n");
    start_.argumentTail = folder_ + "\\other.qln";
    ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(PciLatency(), 32u);

    DeleteRunValue();  // no logon entry: its file is just a file
    start_.argumentTail = startup_;
    run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(PciLatency(), 64u);

    EXPECT_FALSE(guardSeen);
    EXPECT_FALSE(FileExists(record_));
    EXPECT_FALSE(FileExists(folder_ + "\\other.qln.pending"));
}

// Its own folder refusing the record (a folder of the name, a path too long for one
// more extension), the apply keeps it in the shared folder, where the next logon, of
// whoever logs on, finds it.
TEST_F(LogonGuardTest, RecordTheFilesFolderRefusesIsKeptInTheSharedFolder) {
    const std::string deep = folder_ + "\\" + std::string(242 - folder_.size(), 'd');
    CreateDirectoryA(deep.c_str(), nullptr);
    const std::string longStartup = deep + "\\startup.qln";
    ASSERT_EQ(longStartup.size(), 255u);
    WriteWholeFile(longStartup, "[PCI]\r\nPCILatency=64\r\n");
    BlockRecordBeside(startup_);
    for (const std::string& file : {startup_, longStartup}) {
        SetRunValue(BuildStartupCommand(start_.exePath, file));
        start_.argumentTail = file;
        DeleteFileA(start_.simState.c_str());
        const std::string shared = SharedRecordOf(file);
        DeleteFileA(shared.c_str());

        ConfirmAfter("2");
        std::string recordSeen;
        start_.whileRunning = [&](unsigned long processId) {
            if (recordSeen.empty() && GuardWindowOf(processId)) recordSeen = ReadWholeFile(shared);
            return false;
        };
        const ProgramRun confirmed = RunProgram(start_);
        ASSERT_TRUE(confirmed.finished) << file;
        EXPECT_TRUE(confirmed.boxes.empty()) << file;
        EXPECT_TRUE(RecordNamesFile(recordSeen, file, IsSystemLeadByte)) << file << ": " << recordSeen;
        EXPECT_FALSE(FileExists(shared)) << file;
        EXPECT_EQ(PciLatency(), 64u) << file;

        ConfirmAfter("60");
        start_.whileRunning = [&](unsigned long) { return FileExists(shared) && PortCalls() >= 36; };
        DeleteFileA(start_.simLog.c_str());
        ASSERT_FALSE(RunProgram(start_).finished);  // hung in its period
        start_.whileRunning = nullptr;
        const ProgramRun next = RunProgram(start_);
        ASSERT_TRUE(next.finished) << file;
        ASSERT_EQ(next.boxes.size(), 1u) << file;
        EXPECT_EQ(next.boxes[0].text, UnconfirmedApplyQuestion(file));
        EXPECT_TRUE(FileExists(shared)) << file;
        DeleteFileA(shared.c_str());
    }
}

TEST_F(LogonGuardTest, RecordKeptNowhereIsSaidOnceAndTheTuningStillApplied) {
    ConfirmAfter("60");
    BlockRecordBeside(startup_);
    SharedRecordFolderBlocked blocked;
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished) << "an unguarded apply has nothing to wait for";
    EXPECT_EQ(run.exitCode, 0u);
    // The machine's folder, where the log goes too, cannot be made: that is said as well.
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[0].caption, "Quillon");
    EXPECT_EQ(run.boxes[0].text, UnguardedApplyMessage(startup_, MachineRecordFolderPath()));
    EXPECT_FALSE(run.boxes[0].yesNo);
    EXPECT_NE(run.boxes[1].text.find("could not be added to Quillon's log"), std::string::npos);
    EXPECT_EQ(PciLatency(), 64u);
}

// The machine hung in another user's logon apply, whose record this user may not replace
// nor remove (here: held open for reading only), and no other place takes one: the record there guards
// this apply too, and stays for its maker or an administrator to clear, so the next
// logon asks again.
TEST_F(LogonGuardTest, RecordThisUserMayNotReplaceStillGuardsTheApply) {
    ConfirmAfter("1");
    WriteWholeFile(record_, PendingRecordText(startup_));
    HANDLE held = CreateFileA(record_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    start_.answerYes = true;
    bool guarded = false;
    start_.whileRunning = [&](unsigned long processId) {
        guarded = guarded || GuardWindowOf(processId) != nullptr;
        return false;
    };
    ProgramRun run;
    {
        SharedRecordFolderBlocked blocked;  // the log's folder too: that is said
        run = RunProgram(start_);
    }
    CloseHandle(held);
    ASSERT_TRUE(run.finished);
    ASSERT_FALSE(run.boxes.empty());
    EXPECT_EQ(run.boxes[0].text, UnconfirmedApplyQuestion(startup_));
    for (const DialogSeen& box : run.boxes)
        EXPECT_NE(box.text, UnguardedApplyMessage(startup_, MachineRecordFolderPath())) << "told it was unguarded";
    EXPECT_TRUE(guarded);
    EXPECT_EQ(PciLatency(), 64u);
    EXPECT_TRUE(FileExists(record_));
}

// Another user's logon apply still in its period (fast user switching): its record is
// no sign of a hang. The second apply goes ahead guarded, and the record stays until
// the last of them is confirmed.
TEST_F(LogonGuardTest, RecordOfAnApplyStillRunningIsNoLeftover) {
    ConfirmAfter("60");
    ProgramStart second = start_;
    second.simLog = folder_ + "\\second.log";
    second.environment = {{"QUILLON_CONFIRM_SECONDS", "1"}, {"QUILLON_SHIFT_WATCH_MS", shiftWatchMs_}};
    bool secondGuarded = false;
    second.whileRunning = [&](unsigned long processId) {
        secondGuarded = secondGuarded || GuardWindowOf(processId) != nullptr;
        return false;
    };
    std::optional<ProgramRun> secondRun;
    bool recordOutlivedSecond = false;
    start_.whileRunning = [&](unsigned long processId) {
        if (!GuardWindowOf(processId) || !FileExists(record_)) return false;
        secondRun = RunProgram(second);
        recordOutlivedSecond = FileExists(record_);
        return true;  // the first one then hangs the machine
    };
    ASSERT_FALSE(RunProgram(start_).finished);
    ASSERT_TRUE(secondRun.has_value());
    ASSERT_TRUE(secondRun->finished);
    EXPECT_TRUE(secondRun->boxes.empty()) << secondRun->boxes[0].text;
    EXPECT_TRUE(secondGuarded);
    EXPECT_EQ(LineCount(ReadWholeFile(second.simLog)), kCheckPortCalls + 36u);
    EXPECT_TRUE(recordOutlivedSecond) << "cleared while the first apply was still in its period";

    // With no apply running, the same record is a leftover again.
    start_.whileRunning = nullptr;
    const ProgramRun next = RunProgram(start_);
    ASSERT_TRUE(next.finished);
    ASSERT_EQ(next.boxes.size(), 1u);
    EXPECT_TRUE(next.boxes[0].yesNo);
}

TEST_F(LogonGuardTest, FailedLoadAtLogonLeavesNoRecord) {
    DeleteFileA(startup_.c_str());
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, "Unable to load register file \"" + startup_ + "\"");
    EXPECT_FALSE(FileExists(record_));
    EXPECT_EQ(PortCalls(), kCheckPortCalls + 12);
}

// Shift pressed on the test display. Wine learns of keys only through a window of its
// own that has the X focus, which the program's message box takes away and does not
// give back; so the focus is put on a window of ours each time. The release must happen
// however the test ends: a Shift left down would reach every later test.
class ShiftHeldOnDisplay {
public:
    ShiftHeldOnDisplay() {
        window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "shift", WS_POPUP | WS_VISIBLE, 0, 0, 40,
                                  40, nullptr, nullptr, nullptr, nullptr);
        Pump(100);
        held_ = RunXdotool("keydown shift") && PumpUntilShift(true);
    }
    ~ShiftHeldOnDisplay() {
        RunXdotool("keyup shift");
        PumpUntilShift(false);
        DestroyWindow(window_);
    }
    bool held() const { return held_; }

private:
    bool RunXdotool(const char* key) const {
        // A Unix program started from Wine; its process cannot be waited for.
        const auto xWindow =
            reinterpret_cast<ULONG_PTR>(GetPropA(window_, "__wine_x11_whole_window"));
        std::string command = "/usr/bin/xdotool windowfocus " + std::to_string(xWindow) + " " + key;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process))
            return false;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }
    static void Pump(DWORD ms) {
        const DWORD begin = GetTickCount();
        MSG message;
        while (GetTickCount() - begin < ms) {
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            Sleep(10);
        }
    }
    static bool PumpUntilShift(bool down) {
        for (int i = 0; i < 300; ++i) {
            if (((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0) == down) return true;
            Pump(10);
        }
        return false;
    }
    HWND window_ = nullptr;
    bool held_ = false;
};

TEST_F(LogonGuardTest, ShiftHeldAtLogonSkipsTheApplyAndLeavesTheRecord) {
    char display[256];
    if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0)
        GTEST_SKIP() << "no X display to hold Shift on";
    const std::string record = PendingRecordText(startup_);
    WriteWholeFile(record_, record);
    ProgramRun run;
    {
        ShiftHeldOnDisplay shift;
        ASSERT_TRUE(shift.held()) << "xdotool could not hold Shift on " << display;
        run = RunProgram(start_);
    }
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Quillon");
    EXPECT_EQ(run.boxes[0].text, ShiftSkipMessage(startup_));
    EXPECT_FALSE(run.boxes[0].yesNo);
    EXPECT_EQ(PortCalls(), 0u);  // Shift is watched before anything is read
    EXPECT_EQ(ReadWholeFile(record_), record);
}

// Whether the process has loaded the port library: it is then past its start-up and
// about to begin the apply.
bool PortLibraryLoaded(unsigned long processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    bool found = false;
    for (BOOL more = Module32First(snapshot, &module); more && !found;
         more = Module32Next(snapshot, &module))
        found = lstrcmpiA(module.szModule, "io.dll") == 0;
    CloseHandle(snapshot);
    return found;
}

TEST_F(LogonGuardTest, ShiftPressedJustAfterTheStartSkipsTheApply) {
    char display[256];
    if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0)
        GTEST_SKIP() << "no X display to hold Shift on";
    shiftWatchMs_ = "";  // the whole two seconds
    ConfirmAfter("60");
    std::optional<ShiftHeldOnDisplay> shift;
    size_t callsWhenPressed = 1;
    start_.whileRunning = [&](unsigned long processId) {
        if (!shift && PortLibraryLoaded(processId)) {
            shift.emplace();
            callsWhenPressed = PortCalls();
        }
        return false;
    };
    const ProgramRun run = RunProgram(start_);
    const bool held = shift && shift->held();
    shift.reset();
    ASSERT_TRUE(held) << "xdotool could not hold Shift on " << display;
    EXPECT_EQ(callsWhenPressed, 0u) << "pressed after the apply had begun";
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, ShiftSkipMessage(startup_));
    EXPECT_EQ(PortCalls(), 0u);
    EXPECT_FALSE(FileExists(record_));
}

}  // namespace
