// The window's clocks and timings under Wine, on the simulated chipset loaded with real
// dumps (tests/data/boards): the panel, the DRAM lists' tooltips, Copy as Text and the
// warnings a Set logs. The same tests run at every DPI and font of the window tests.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "hw/io_library.h"
#include "hw/pci_functions.h"
#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "model/write_report.h"
#include "tests/support/board_dumps.h"
#include "tests/support/field_lookup.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/win/ui_driver.h"
#include "ui/form_layout.h"
#include "ui/setregform.h"

namespace {

struct Recorded {
    static inline std::string warningsWritten;
    static inline int writes = 0;
    static bool Save(const char*) { return true; }
    // A snapshot of the boot whose T(RAS) is 4.
    static bool Load(const char*) {
        SetFieldValue(Field("Tras"), 4);
        return true;
    }
    static void Nothing() {}
    static void Written(const RegisterWrite& write) {
        ++writes;
        warningsWritten = write.warnings;
    }
    static std::string Snapshot() { return "C:\\nowhere\\boot.qln"; }
    static const FormServices& Services() {
        static const FormServices services = {Save, Load, Nothing, Nothing, Written, nullptr, Snapshot};
        return services;
    }
};

struct TooltipSearch {
    HWND owner, found;
};

BOOL CALLBACK NoteTooltipWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TooltipSearch*>(data);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (GetWindow(window, GW_OWNER) != search->owner || lstrcmpiA(name, TOOLTIPS_CLASSA) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

const char* const kPanelLines[] = {"MemoryClockLabel", "FsbLabel",         "ClockRatioLabel",
                                   "CasLatencyLabel",  "ClockSourceLabel", "TimingWarningsLabel"};

class TimingWindowTest : public SimulationTest {
protected:
    TimingWindowTest() : SimulationTest("timings") {}
    void SetUp() override {
        Recorded::warningsWritten.clear();
        Recorded::writes = 0;
        NameFilesToThisProcess();
        SetPortOperations(kIoLibraryPorts);
        for (PciRegister& reg : RegisterTable) reg.Present = true;
        SetCursorPos(0, 0);  // away from where the window opens
    }
    void TearDown() override {
        if (form_ != nullptr && IsWindow(form_)) DestroyWindow(form_);
        PumpMessages(form_);
        FreeIoLibrary();
    }

    // The window on a board, its identities read as the program reads them at start.
    void OpenOn(const std::string& dump, MachineState machine = MachineState::Identified) {
        WriteWholeFile(state_, dump);
        ASSERT_TRUE(LoadIoLibrary());
        ReadFunctionIdentities();
        form_ = CreateMainWindow(GetModuleHandleA(nullptr), nullptr, Recorded::Services(), machine);
        ASSERT_NE(form_, nullptr);
        ShowMainWindow(form_);
        PumpMessages(form_);
    }
    // The mouse comes over one of the window's controls, which makes the tooltips.
    void MouseOver() {
        SendMessageA(form_, WM_SETCURSOR, reinterpret_cast<WPARAM>(Control("Trc")),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        PumpMessages(form_);
    }
    void OpenOnBoard(const char* name) {
        OpenOn(Board(name));
        MouseOver();
    }
    static std::string Board(const char* name) { return BoardDump(TestExecutableFolder() + "\\boards", name); }

    HWND Control(const char* name) const { return FindFormControl(form_, name); }
    std::vector<std::string> Panel() const {
        std::vector<std::string> lines;
        for (const char* line : kPanelLines) lines.push_back(WindowText(Control(line)));
        return lines;
    }
    void Pick(const char* list, const std::string& entry) { PickEntry(form_, Control(list), entry); }
    void Click(const char* button) {
        SendMessageA(Control(button), BM_CLICK, 0, 0);
        PumpMessages(form_);
    }

    // The tooltip window the form owns, and the text it holds for a control.
    HWND TooltipWindow() const {
        TooltipSearch search = {form_, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), NoteTooltipWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    std::string Tip(HWND tool) const {
        char text[512] = {};
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND;
        info.hwnd = form_;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = text;
        SendMessageA(TooltipWindow(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        return text;
    }
    std::string Tip(const char* list) const { return Tip(Control(list)); }

    // Another program changing the FSB PLL, as a BIOS-less overclock tool would.
    void SetFsbPll(uint32_t value) {
        const ConfigPortsHeld held;
        HandedPortOperations().writeDWord(0xCF8, ConfigAddress(0, 0, 0, 0xA4));
        HandedPortOperations().writeDWord(0xCFC, value);
    }

    HWND form_ = nullptr;
};

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The A7N8X's figures (tests/native/memory_timings_test.cpp works them out from its
// bytes): 166.2 MHz from the FSB PLL, memory PLL 5:5, CL 2.5, the DDR333 set met.
TEST_F(TimingWindowTest, PanelShowsTheClocksRightOfTheLatencyListsAndEveryLineFits) {
    OpenOnBoard("nforce2_asus_a7n8x_full");
    EXPECT_EQ(Panel(), (std::vector<std::string>{"Memory: 166.2 MHz, DDR 332", "FSB: 166.2 MHz",
                                                 "Memory:FSB ratio 1:1", "CAS latency: 2.5", "", "No warnings"}));
    RECT list, group;
    GetWindowRect(Control("PCIBusLatency"), &list);
    GetWindowRect(Control("GroupBox2"), &group);
    for (const char* name : kPanelLines) {
        HWND line = Control(name);
        RECT at, client;
        GetWindowRect(line, &at);
        GetClientRect(line, &client);
        EXPECT_GT(at.left, list.right) << name;
        EXPECT_LT(at.right, group.right) << name;
        HDC dc = GetDC(line);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(line, WM_GETFONT, 0, 0)));
        const std::string text = WindowText(line);
        SIZE extent = {};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, previous);
        ReleaseDC(line, dc);
        EXPECT_LE(extent.cx, client.right) << name << " clips \"" << text << "\"";
        EXPECT_LE(metrics.tmHeight, client.bottom) << name;
    }
}

TEST_F(TimingWindowTest, PanelAndTooltipsFollowPicksBootValuesAndRefresh) {
    OpenOnBoard("nforce2_asus_a7n8x_full");
    EXPECT_EQ(Tip("Tras"), "T(RAS): 7 clocks = 42.1 ns at 166.2 MHz");

    Pick("Tras", "5");  // 5 x 6.018 ns = 30.1 ns, below DDR333's 42
    EXPECT_EQ(Panel()[5], "Warnings: T(RAS)");
    EXPECT_EQ(Tip("Tras"), "T(RAS): 5 clocks = 30.1 ns at 166.2 MHz\r\nWarning: 30.1 ns, below DDR333's 42 ns");
    EXPECT_EQ(Tip("TimingWarningsLabel"), "T(RAS) 5: 30.1 ns, below DDR333's 42 ns");
    COMBOBOXINFO parts = ComboInfo(Control("Tras"));
    EXPECT_EQ(Tip(parts.hwndItem), Tip("Tras")) << "the list's text field shows it too";

    Click("RefreshButton");
    EXPECT_EQ(Panel()[5], "No warnings");
    EXPECT_EQ(Tip("Tras"), "T(RAS): 7 clocks = 42.1 ns at 166.2 MHz");

    ChooseMenuItem(form_, "&Boot Values");  // a snapshot with T(RAS) 4: 24.1 ns
    EXPECT_EQ(WindowText(Control("Tras")), "4");
    EXPECT_EQ(Tip("Tras"), "T(RAS): 4 clocks = 24.1 ns at 166.2 MHz\r\nWarning: 24.1 ns, below DDR333's 42 ns");

    // The FSB raised to 200 MHz since boot (25 MHz x F0 / 1E): Refresh shows the live
    // clock, says it moved, and DDR400's minimums apply.
    Click("RefreshButton");
    SetFsbPll(0x0000F01E);
    Click("RefreshButton");
    EXPECT_EQ(Panel(), (std::vector<std::string>{"Memory: 200.0 MHz, DDR 400", "FSB: 200.0 MHz",
                                                 "Memory:FSB ratio 1:1", "CAS latency: 2.5", "Was 167.0 MHz at boot",
                                                 "Warnings: T(RFC), T(RAS)"}));
    EXPECT_EQ(Tip("Trc"), "T(RC): 11 clocks = 55.0 ns at 200.0 MHz");
}

TEST_F(TimingWindowTest, EveryDramListHasItsTooltipAndOnlyClockCountsHaveNanoseconds) {
    OpenOn(Board("nforce2_asus_a7n8x_full"));
    EXPECT_EQ(TooltipWindow(), nullptr) << "made before the mouse came";
    SendMessageA(form_, WM_SETCURSOR, reinterpret_cast<WPARAM>(form_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(TooltipWindow(), nullptr) << "made with the mouse over no control";
    MouseOver();
    EXPECT_NE(TooltipWindow(), nullptr);
    EXPECT_EQ(Tip("Trc"), "T(RC): 11 clocks = 66.2 ns at 166.2 MHz");
    EXPECT_EQ(Tip("Trfc"), "T(RFC): 12 clocks = 72.2 ns at 166.2 MHz");
    EXPECT_EQ(Tip("Trcdw"), "T(RCD-W): 3 clocks = 18.1 ns at 166.2 MHz");
    EXPECT_EQ(Tip("Trrd"), "T(RRD): 2 clocks = 12.0 ns at 166.2 MHz");
    EXPECT_EQ(Tip("Tdoe"), "T(DOE): 2");
    EXPECT_EQ(Tip("AutoPrecharge"), "Auto Precharge: Enable");
    for (const RegisterField& field : FieldCatalogue) {
        for (size_t i = 0; i < kFormControlCount; ++i) {
            const ControlDescription& control = kFormControls[i];
            if (control.kind != ControlKind::FieldList || ShownField(control) != &field) continue;
            const bool dram = std::string(control.parent) != "GroupBox2";
            EXPECT_EQ(Tip(control.name).empty(), !dram) << control.name;
            if (dram) {
                EXPECT_EQ(Tip(control.name).find(std::string(field.Name) + ": "), 0u) << control.name;
            }
        }
    }
}

// The kept A7N8X dump has no 00:00.3 or 00:00.5: the memory clock is unknown, and so is
// every length; the lists and the CAS latency are shown as ever.
TEST_F(TimingWindowTest, MissingClockFunctionsLeaveTheirFiguresUnknown) {
    OpenOnBoard("nforce2_asus_a7n8x");
    EXPECT_EQ(Panel(), (std::vector<std::string>{"Memory: unknown", "FSB: 166.2 MHz", "Memory:FSB ratio unknown",
                                                 "CAS latency: 2.5", "", "No warnings"}));
    EXPECT_EQ(Tip("Tras"), "T(RAS): 7 clocks, memory clock unknown");
    EXPECT_EQ(WindowText(Control("Tras")), "7");
}

TEST_F(TimingWindowTest, RefusedMachineShowsNothingKnownAndCannotCopy) {
    OpenOn(Board("nforce_abit_built"), MachineState::Refused);
    EXPECT_EQ(Panel(), (std::vector<std::string>{"Memory: unknown", "FSB: unknown", "Memory:FSB ratio unknown",
                                                 "CAS latency: unknown", "", ""}));
    EXPECT_TRUE(GetMenuState(GetMenu(form_), MenuItemId(form_, "&Copy as Text"), MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(TimingWindowTest, CopyAsTextPutsTheReportOnTheClipboard) {
    OpenOnBoard("nforce2_asus_a7n8x_full");
    Pick("Tras", "5");
    ChooseMenuItem(form_, "&Copy as Text");
    const std::string text = ClipboardText();
    for (const char* line : {"Quillon V0.25b, DRAM timings\r\n",
                             "\r\nMachine: HostBridge 10DE:01E0 C1, MemoryController 10DE:01EB C1, AgpBridge "
                             "10DE:01E8 C1, PciBridge 10DE:006C A3, Board 1043:80AC\r\n",
                             "\r\nMemory: 166.2 MHz, DDR 332\r\n", "\r\nCAS latency: 2.5\r\n",
                             "\r\nT(RC)                   11      66.2 ns\r\n",
                             "\r\nT(RAS)                  5       30.1 ns   warning: 30.1 ns, below DDR333's 42 ns\r\n",
                             "\r\nPCI Latency             32\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

    // Held by another program, the clipboard takes nothing: that is said, and the
    // window goes on.
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr), done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        const BOOL held = OpenClipboard(nullptr);
        SetEvent(opened);
        WaitForSingleObject(done, kDialogDeadlineMs);
        if (held) CloseClipboard();
    });
    WaitForSingleObject(opened, kDialogDeadlineMs);
    MessageBoxSeen seen;
    {
        DialogAnswerer answerer({{"Quillon", CloseMessageBox(form_, &seen)}});
        ChooseMenuItem(form_, "&Copy as Text");
    }
    SetEvent(done);
    holder.join();
    CloseHandle(opened);
    CloseHandle(done);
    EXPECT_EQ(seen.text.find("The report could not be put on the clipboard"), 0u) << seen.text;
    EXPECT_EQ(ClipboardText(), text);
}

// Set writes what was picked, warnings or not, and the log's entry keeps them.
TEST_F(TimingWindowTest, SetWritesThePickAndHandsItsWarningsToTheLog) {
    OpenOnBoard("nforce2_asus_a7n8x_full");
    Pick("Tras", "5");
    Click("SetRegistersButton");
    EXPECT_EQ(Recorded::writes, 1);
    EXPECT_EQ(Recorded::warningsWritten, "T(RAS) 5: 30.1 ns, below DDR333's 42 ns\r\n");
    EXPECT_EQ((LoadChipsetState(state_).ConfigRead(0, 0, 1, 0x90) >> 15) & 15, 5u);
    EXPECT_EQ(LoadChipsetState(state_).ConfigRead(0, 0, 0, 0xA4), 0x003DE222u) << "the clocks are never written";
}

}  // namespace
