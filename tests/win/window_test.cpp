// The main window under Wine, on the simulated chipset, driven as a user drives it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "hw/io_library.h"
#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "sim/chipset.h"
#include "tests/win/test_files.h"
#include "tests/win/ui_driver.h"
#include "ui/form_layout.h"
#include "ui/resource_ids.h"
#include "ui/setregform.h"

namespace {

// Settings and start-up operations that only record what the window asked of them.
struct FakeServices {
    static inline std::vector<std::string> saved, loaded;
    static inline bool saveSucceeds = true, loadSucceeds = true;
    static inline const char* loadThrows = nullptr;
    static inline int loadSetsPciLatency = -1;  // a field the load changes before it ends
    static inline int applies = 0, removes = 0;

    static void Reset() {
        saved.clear();
        loaded.clear();
        saveSucceeds = loadSucceeds = true;
        loadThrows = nullptr;
        loadSetsPciLatency = -1;
        applies = removes = 0;
    }
    static bool Save(const char* path) {
        saved.push_back(path);
        return saveSucceeds;
    }
    static bool Load(const char* path) {
        loaded.push_back(path);
        if (loadThrows) throw std::runtime_error(loadThrows);
        if (loadSetsPciLatency >= 0) SetFieldValue(FieldCatalogue[16], static_cast<uint32_t>(loadSetsPciLatency));
        return loadSucceeds;
    }
    static void Apply() { ++applies; }
    static void Remove() { ++removes; }
    static const FormServices& Services() {
        static const FormServices services = {Save, Load, Apply, Remove};
        return services;
    }
};

// The power-on chipset: DRAM Timing 1 0x3333310A, AGP bus latency 0x48 (no choice).
constexpr uint32_t kPowerOnTiming1 = 0x3333310A;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeServices::Reset();
        folder_ = MakeScratchFolder("window");
        state_ = folder_ + "\\chipset.txt";
        log_ = folder_ + "\\ports.log";
        SetEnvironmentVariableA("QUILLON_SIM_STATE", state_.c_str());
        SetEnvironmentVariableA("QUILLON_SIM_LOG", log_.c_str());
        GetCurrentDirectoryA(MAX_PATH, startFolder_);
        SetCurrentDirectoryA(folder_.c_str());
        ASSERT_TRUE(LoadIoLibrary());
    }
    void TearDown() override {
        if (form_ != nullptr && IsWindow(form_)) DestroyWindow(form_);
        PumpMessages(form_);
        FreeIoLibrary();
        SetCurrentDirectoryA(startFolder_);
        SetEnvironmentVariableA("QUILLON_SIM_STATE", nullptr);
        SetEnvironmentVariableA("QUILLON_SIM_LOG", nullptr);
        RemoveTree(folder_);
    }

    void Open(const FormServices& services = FakeServices::Services()) {
        form_ = CreateMainWindow(GetModuleHandleA(nullptr), nullptr, services);
        ASSERT_NE(form_, nullptr);
        ShowMainWindow(form_);
        PumpMessages(form_);
    }

    HWND Control(const char* name) const { return FindFormControl(form_, name); }
    std::string Shown(const char* list) const { return ControlText(Control(list)); }
    bool SetEnabled() const { return IsWindowEnabled(Control("SetRegistersButton")) != FALSE; }
    void Pick(const char* list, const std::string& entry) { PickEntry(form_, Control(list), entry); }
    void Click(const char* button) {
        SendMessageA(Control(button), BM_CLICK, 0, 0);
        PumpMessages(form_);
    }

    // What every list shows, by name.
    std::map<std::string, std::string> AllShown() const {
        std::map<std::string, std::string> shown;
        for (size_t i = 0; i < kFormControlCount; ++i)
            if (kFormControls[i].kind == ControlKind::FieldList)
                shown[kFormControls[i].name] = Shown(kFormControls[i].name);
        return shown;
    }

    // The chipset as the simulation holds it, without touching the register cache.
    uint32_t Hardware(uint32_t device, uint32_t function, uint32_t offset) const {
        SimChipset chipset;
        if (FileExists(state_)) chipset.LoadDump(ReadWholeFile(state_), nullptr);
        return chipset.ConfigRead(0, device, function, offset);
    }

    // "address value" for every doubleword written to the data port.
    std::vector<std::string> DataWrites() const {
        std::vector<std::string> writes;
        std::istringstream log(ReadWholeFile(log_));
        std::string address;
        for (std::string call, port, value; log >> call >> port >> value;) {
            if (call != "PortDWordOut") continue;
            if (port == "0CF8") address = value;
            if (port == "0CFC") writes.push_back(address + " " + value);
        }
        return writes;
    }

    std::string folder_, state_, log_;
    char startFolder_[MAX_PATH] = {};
    HWND form_ = nullptr;
};

// ---- What the window looks like ----

TEST_F(MainWindowTest, OpensShowingTheChipsetWithSetDisabledAndFocusInTdoe) {
    Open();
    EXPECT_EQ(ControlText(form_), "Quillon V0.25b");
    EXPECT_EQ(Shown("AutoPrecharge"), "Enable");
    EXPECT_EQ(Shown("Trc"), "10");
    EXPECT_EQ(Shown("Trfc"), "17");
    EXPECT_EQ(Shown("Tras"), "6");
    EXPECT_EQ(Shown("AGPControllerLatency"), "32");
    EXPECT_EQ(Shown("PCIBusLatency"), "32");
    EXPECT_EQ(Shown("AGPBusLatency"), "UNKNOWN");
    EXPECT_EQ(SelectedIndex(Control("AGPBusLatency")), CB_ERR);
    EXPECT_EQ(RegisterTable[4].Value >> 24, 0x48u);
    EXPECT_FALSE(SetEnabled());
    EXPECT_EQ(FocusedControl(form_), Control("Tdoe"));
    for (const RegisterField& field : FieldCatalogue) {
        const std::string list = field.Key == std::string("PCILatency") ? "PCIBusLatency" : field.Key;
        EXPECT_EQ(ControlText(Control((list + "Label").c_str())), field.Name);
        EXPECT_EQ(static_cast<size_t>(SendMessageA(Control(list.c_str()), CB_GETCOUNT, 0, 0)), ChoiceCount(field));
    }
}

TEST_F(MainWindowTest, HasAFixedFrameCentredWithTheFormsFontsAndIcon) {
    Open();
    const LONG style = GetWindowLongA(form_, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    RECT client, frame;
    GetClientRect(form_, &client);
    EXPECT_EQ(client.right, 392);
    EXPECT_EQ(client.bottom, 400);
    GetWindowRect(form_, &frame);
    EXPECT_LE(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);
    EXPECT_EQ(GetClassLongPtrA(form_, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

    HDC dc = GetDC(form_);
    auto faceOf = [dc](HWND control, TEXTMETRICA* metrics) {
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
        char face[LF_FACESIZE] = {};
        GetTextFaceA(dc, sizeof face, face);
        GetTextMetricsA(dc, metrics);
        SelectObject(dc, previous);
        return std::string(face);
    };
    TEXTMETRICA metrics;
    for (const char* control : {"Trc", "TrcLabel", "GroupBox3", "RefreshButton", "Label4"}) {
        EXPECT_EQ(faceOf(Control(control), &metrics), "MS Sans Serif") << control;
        EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 11) << control;
    }
    EXPECT_EQ(SendMessageA(Control("Trc"), CB_GETITEMHEIGHT, 0, 0), 13);
    const std::string siteFace = faceOf(Control("Label3"), &metrics);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 16) << siteFace;
    ReleaseDC(form_, dc);

    // One 32 x 32 image of 16 colours, and the window shows it.
    HRSRC group = FindResourceA(nullptr, MAKEINTRESOURCEA(IDI_QUILLON), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
    EXPECT_EQ(directory[4], 1);                                  // one image
    EXPECT_EQ(directory[6], 32);                                 // width
    EXPECT_EQ(directory[7], 32);                                 // height
    EXPECT_EQ(directory[8], 16);                                 // colours
    EXPECT_EQ(directory[12] | directory[13] << 8, 4);            // bits per pixel
    EXPECT_NE(GetClassLongPtrA(form_, GCLP_HICON), 0u);
}

// Client-area rectangles of the form's own numbers, and every label beside its list.
TEST_F(MainWindowTest, ControlsLieWhereTheFormPlacesThem) {
    Open();
    auto placed = [this](const char* name) {
        RECT r;
        GetWindowRect(Control(name), &r);
        MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
        return std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    const std::map<std::string, std::vector<LONG>> expected = {
        {"GroupBox3", {8, 0, 185, 201}},       {"TimingGroupBox", {200, 0, 185, 201}},
        {"GroupBox2", {8, 208, 377, 113}},     {"GroupBox1", {8, 328, 377, 65}},
        {"AutoPrecharge", {104, 24, 81, 21}},  {"Trp", {104, 168, 81, 21}},
        {"Tdoe", {296, 24, 81, 21}},           {"Tr2w", {296, 168, 81, 21}},
        {"AGPControllerLatency", {136, 232, 81, 21}}, {"PCIBusLatency", {136, 280, 81, 21}},
        {"RefreshButton", {19, 352, 75, 25}},  {"SetRegistersButton", {99, 352, 75, 25}},
        {"Label3", {192, 368, 185, 20}},
    };
    for (const auto& [name, rectangle] : expected) EXPECT_EQ(placed(name.c_str()), rectangle) << name;
    EXPECT_EQ(placed("Label2")[0], 208);
    EXPECT_EQ(placed("Label2")[1], 336);
    EXPECT_EQ(placed("Label4")[0], 256);
    EXPECT_EQ(placed("Label4")[1], 352);
    EXPECT_EQ(ControlText(Control("Label4")), "July 2004");
    EXPECT_EQ(ControlText(Control("GroupBox3")), "DRAM Timing Parameters");
    EXPECT_EQ(ControlText(Control("SetRegistersButton")), "Set");

    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& list = kFormControls[i];
        if (list.kind != ControlKind::FieldList) continue;
        const std::string labelName = std::string(list.name) + "Label";
        const std::vector<LONG> at = placed(list.name), label = placed(labelName.c_str());
        EXPECT_EQ(at, (std::vector<LONG>{ClientLeft(list), ClientTop(list), 81, 21})) << list.name;
        EXPECT_EQ(label[0], at[0] - list.left + 8) << labelName;
        EXPECT_EQ(label[1], at[1] + 4) << labelName;
        EXPECT_EQ(label[3], 13) << labelName;
        EXPECT_GT(label[2], 10) << labelName;
        EXPECT_LT(label[0] + label[2], at[0]) << labelName << " runs into its list";
    }
    for (const char* button : {"RefreshButton", "SetRegistersButton"})
        EXPECT_FALSE(GetWindowLongA(Control(button), GWL_STYLE) & BS_DEFPUSHBUTTON) << button;

    // A picture for people to look at; the test run turns it into a PNG.
    const std::string screenshots = std::string(startFolder_) + "\\..\\screenshots";
    CreateDirectoryA(screenshots.c_str(), nullptr);
    RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpMessages(form_);
    EXPECT_TRUE(SaveScreenshot(form_, screenshots + "\\main_window.bmp"));
}

TEST_F(MainWindowTest, DropDownsOpenWithEveryEntryVisibleAndOpeningIsNoPick) {
    Open();
    const auto before = AllShown();
    for (const RegisterField& field : FieldCatalogue) {
        const std::string name = field.Key == std::string("PCILatency") ? "PCIBusLatency" : field.Key;
        HWND list = Control(name.c_str());
        const int count = static_cast<int>(ChoiceCount(field));
        SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
        PumpMessages(form_);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        GetComboBoxInfo(list, &info);
        RECT shown, last, dropped, closed, opened;
        GetClientRect(info.hwndList, &shown);
        GetWindowRect(info.hwndList, &opened);
        GetWindowRect(list, &closed);
        SendMessageA(info.hwndList, LB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
        SendMessageA(list, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        EXPECT_EQ(shown.bottom, count * 13) << name;
        EXPECT_EQ(SendMessageA(info.hwndList, LB_GETTOPINDEX, 0, 0), 0) << name;
        EXPECT_LE(last.bottom, shown.bottom) << name << ": the last entry is hidden";
        EXPECT_FALSE(GetWindowLongA(info.hwndList, GWL_STYLE) & WS_VSCROLL) << name;
        EXPECT_EQ(closed.bottom - closed.top, 21) << name;
        EXPECT_EQ(opened.top, closed.bottom) << name;
        EXPECT_EQ(opened.bottom - opened.top, count * 13 + 2) << name;
        // Its height is the open list's under Wine and the whole control's under Windows.
        EXPECT_EQ(dropped.right - dropped.left, 81) << name;
        SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
        PumpMessages(form_);
    }
    EXPECT_EQ(AllShown(), before);
    EXPECT_FALSE(SetEnabled());
}

TEST_F(MainWindowTest, TabVisitsTheGroupBoxesInTheirTabOrder) {
    Open();
    auto tour = [this](int presses) {
        std::vector<std::string> visited;
        for (int i = 0; i < presses; ++i) {
            HWND focus = FocusedControl(form_);
            const ControlDescription* control = nullptr;
            for (size_t c = 0; c < kFormControlCount && !control; ++c)
                if (Control(kFormControls[c].name) == focus) control = &kFormControls[c];
            visited.push_back(control ? control->name : "?");
            PressKey(form_, VK_TAB);
        }
        return visited;
    };
    const std::vector<std::string> withoutSet = {
        "Tdoe", "Trrd", "Tw2p", "Tw2r", "Trext", "Tr2p", "Tr2w", "RefreshButton", "AGPControllerLatency",
        "AGPBusLatency", "PCIBusLatency", "Trc", "Trfc", "Tras", "Trcdr", "Trcdw", "Trp", "AutoPrecharge", "Tdoe"};
    EXPECT_EQ(tour(19), withoutSet);

    Pick("Trc", "11");  // enables Set
    SetFocus(Control("Tr2w"));
    EXPECT_EQ(tour(4), (std::vector<std::string>{"Tr2w", "RefreshButton", "SetRegistersButton",
                                                 "AGPControllerLatency"}));
    SetFocus(Control("RefreshButton"));
    PressKey(form_, VK_RIGHT);
    EXPECT_EQ(FocusedControl(form_), Control("SetRegistersButton"));
}

TEST_F(MainWindowTest, MenuItemsCarryTheirAccessKeys) {
    Open();
    HMENU bar = GetMenu(form_);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    char caption[64] = {};
    GetMenuStringA(bar, 0, caption, sizeof caption, MF_BYPOSITION);
    EXPECT_STREQ(caption, "&File");
    HMENU file = GetSubMenu(bar, 0);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(file, static_cast<UINT>(i), TRUE, &info);
        GetMenuStringA(file, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
        items.push_back((info.fType & MFT_SEPARATOR) ? "-" : caption);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"&Save ...", "&Load ...", "-", "&Apply Settings at Startup",
                                               "&Remove Startup settings", "-", "&Exit"}));
}

// ---- Picks, Set, Refresh and typing ----

TEST_F(MainWindowTest, PickChangesOnlyItsFieldsBitsAndEnablesSet) {
    Open();
    uint32_t cached[kRegisterCount];
    for (size_t i = 0; i < kRegisterCount; ++i) cached[i] = RegisterTable[i].Value;
    auto shown = AllShown();

    Pick("AutoPrecharge", "Disable");
    EXPECT_EQ(RegisterTable[0].Value, cached[0] & ~(1u << 17));
    for (size_t i = 1; i < kRegisterCount; ++i) EXPECT_EQ(RegisterTable[i].Value, cached[i]) << i;
    shown["AutoPrecharge"] = "Disable";
    EXPECT_EQ(AllShown(), shown);
    EXPECT_TRUE(SetEnabled());
    EXPECT_TRUE(DataWrites().empty()) << "a pick must not reach the chipset";
    EXPECT_EQ(Hardware(0, 1, 0x84) & (1u << 17), 1u << 17);
}

TEST_F(MainWindowTest, SetWritesEachRegisterOnceAndShowsWhatTheChipsetKept) {
    Open();
    Pick("Trc", "5");
    Pick("Tras", "15");
    Pick("AGPBusLatency", "255");  // the bridge keeps the low three bits at zero
    Click("SetRegistersButton");

    const uint32_t timing1 = (kPowerOnTiming1 & ~0x1Fu & ~(0xFu << 15)) | 5u | (15u << 15);
    std::vector<std::string> timing1Writes;
    for (const std::string& write : DataWrites())
        if (write.rfind("80000190 ", 0) == 0) timing1Writes.push_back(write);
    char expected[32];
    std::snprintf(expected, sizeof expected, "80000190 %08lX", static_cast<unsigned long>(timing1));
    EXPECT_EQ(timing1Writes, std::vector<std::string>{expected});
    EXPECT_EQ(DataWrites().size(), kRegisterCount);

    EXPECT_EQ(Hardware(0, 1, 0x90), timing1);
    EXPECT_EQ(Hardware(30, 0, 0x18) >> 24, 0xF8u);
    EXPECT_EQ(RegisterTable[4].Value >> 24, 0xF8u);
    EXPECT_EQ(Shown("AGPBusLatency"), "UNKNOWN");
    EXPECT_EQ(Shown("Trc"), "5");
    EXPECT_EQ(Shown("Tras"), "15");
    EXPECT_FALSE(SetEnabled());
}

TEST_F(MainWindowTest, RefreshDiscardsPicksAndLeavesSetAsItWas) {
    Open();
    const auto atStart = AllShown();
    Click("RefreshButton");
    EXPECT_FALSE(SetEnabled());

    Pick("Trcdr", "7");
    Pick("PCIBusLatency", "224");
    EXPECT_EQ(Shown("Trcdr"), "7");
    Click("RefreshButton");
    EXPECT_EQ(AllShown(), atStart);
    EXPECT_EQ(RegisterTable[1].Value, kPowerOnTiming1);
    EXPECT_TRUE(SetEnabled());
    EXPECT_TRUE(DataWrites().empty());
}

TEST_F(MainWindowTest, TypedTextIsNeverTakenAsAValue) {
    Open();
    const uint32_t timing1 = RegisterTable[1].Value;
    const uint32_t agpBus = RegisterTable[4].Value;
    TypeText(form_, Control("Trc"), "7");
    EXPECT_EQ(Shown("Trc"), "10");
    TypeText(form_, Control("AGPBusLatency"), "64");
    EXPECT_EQ(Shown("AGPBusLatency"), "UNKNOWN");
    EXPECT_EQ(RegisterTable[1].Value, timing1);
    EXPECT_EQ(RegisterTable[4].Value, agpBus);
    EXPECT_FALSE(SetEnabled());
}

TEST_F(MainWindowTest, SetPressedFromTheKeyboardHandsTheFocusOn) {
    Open();
    Pick("Trp", "2");
    SetFocus(Control("SetRegistersButton"));
    PressKey(form_, VK_SPACE);
    EXPECT_FALSE(SetEnabled());
    EXPECT_EQ(Hardware(0, 1, 0x90) >> 28 & 7, 2u);
    EXPECT_EQ(FocusedControl(form_), Control("AGPControllerLatency"));
}

TEST_F(MainWindowTest, ExitClosesAtOnceAlsoWithSetEnabled) {
    Open();
    Pick("Tw2p", "1");
    ChooseMenuItem(form_, "&Exit");
    EXPECT_FALSE(IsWindow(form_));
    EXPECT_TRUE(DataWrites().empty());
}

TEST_F(MainWindowTest, StartupItemsRunTheStartupCommandsAndLeaveSetAlone) {
    Open();
    ChooseMenuItem(form_, "&Apply Settings at Startup");
    ChooseMenuItem(form_, "&Remove Startup settings");
    ChooseMenuItem(form_, "&Remove Startup settings");
    EXPECT_EQ(FakeServices::applies, 1);
    EXPECT_EQ(FakeServices::removes, 2);
    EXPECT_FALSE(SetEnabled());
}

// ---- Save and Load through the real file dialog ----

TEST_F(MainWindowTest, SaveStartsInTheCurrentFolderAndAddsTheExtension) {
    Open();
    Pick("Trfc", "3");  // saved as it stands, not yet written
    FileDialogSeen seen;
    {
        DialogAnswerer answerer(form_, {{"Open", AcceptFile("tuning", &seen)}});
        ChooseMenuItem(form_, "&Save ...");
        answerer.Finish();
        EXPECT_EQ(answerer.Answered(), 1u);
    }
    EXPECT_EQ(seen.title, "Open");
    EXPECT_EQ(seen.folder, folder_);
    EXPECT_EQ(seen.fileName, "");
    EXPECT_EQ(seen.filters, (std::vector<std::string>{"Register files (*.qln)", "All Files (*.*)"}));
    EXPECT_EQ(seen.filter, 0);
    EXPECT_FALSE(seen.readOnlyBoxShown);
    EXPECT_TRUE(seen.resizable);
    EXPECT_EQ(FakeServices::saved, std::vector<std::string>{folder_ + "\\tuning.qln"});
    EXPECT_TRUE(SetEnabled());
    EXPECT_EQ(Shown("Trfc"), "3");
}

TEST_F(MainWindowTest, FailedSaveIsReportedModalToTheProgram) {
    Open();
    FakeServices::saveSucceeds = false;
    SetFocus(Control("Tras"));
    MessageBoxSeen box;
    {
        DialogAnswerer answerer(form_, {{"Open", AcceptFile("tuning.qln")},
                                        {"Save Error", CloseMessageBox(form_, &box)}});
        ChooseMenuItem(form_, "&Save ...");
    }
    EXPECT_EQ(box.text, "There was an error saving to file \"" + folder_ + "\\tuning.qln\".");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_TRUE(box.ownerDisabled);
    EXPECT_FALSE(SetEnabled());
    PumpMessages(form_);
    EXPECT_EQ(FocusedControl(form_), Control("Tras"));
}

TEST_F(MainWindowTest, LoadEnablesSetAndShowsWhatArrivedEvenWhenItFails) {
    Open();
    FakeServices::loadSucceeds = false;
    FakeServices::loadSetsPciLatency = 96;
    WriteWholeFile(folder_ + "\\broken.qln", "[PCI]\nPCILatency=96\n");
    MessageBoxSeen box;
    {
        DialogAnswerer answerer(form_, {{"Open", AcceptFile("broken.qln")},
                                        {"Load Error", CloseMessageBox(form_, &box)}});
        ChooseMenuItem(form_, "&Load ...");
    }
    EXPECT_EQ(box.text, "There was an error loading from file \"" + folder_ +
                            "\\broken.qln\".\nSome values may not have been loaded.");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(Shown("PCIBusLatency"), "96");
    EXPECT_TRUE(SetEnabled());
    EXPECT_TRUE(DataWrites().empty());
}

TEST_F(MainWindowTest, CancelledDialogsChangeNothing) {
    Open();
    for (const char* command : {"&Save ...", "&Load ..."}) {
        DialogAnswerer answerer(form_, {{"Open", CancelDialog()}});
        ChooseMenuItem(form_, command);
        answerer.Finish();
        EXPECT_EQ(answerer.Answered(), 1u) << command;
    }
    EXPECT_FALSE(SetEnabled());
    Pick("Tr2p", "4");
    {
        DialogAnswerer answerer(form_, {{"Open", CancelDialog()}});
        ChooseMenuItem(form_, "&Load ...");
    }
    EXPECT_TRUE(SetEnabled());
    EXPECT_EQ(Shown("Tr2p"), "4");
    EXPECT_TRUE(FakeServices::saved.empty());
    EXPECT_TRUE(FakeServices::loaded.empty());
}

TEST_F(MainWindowTest, NextDialogOffersTheFileReturnedLast) {
    Open();
    WriteWholeFile(folder_ + "\\fast.qln", "[DRAM]\nTrc=7\n");
    FileDialogSeen load, save;
    {
        DialogAnswerer answerer(form_, {{"Open", AcceptFile("fast.qln", &load)}});
        ChooseMenuItem(form_, "&Load ...");
    }
    SetCurrentDirectoryA(startFolder_);  // the file's folder is offered, not the current one
    {
        DialogAnswerer answerer(form_, {{"Open", CancelDialog(&save)}});
        ChooseMenuItem(form_, "&Save ...");
    }
    EXPECT_EQ(FakeServices::loaded, std::vector<std::string>{folder_ + "\\fast.qln"});
    EXPECT_EQ(save.folder, folder_);
    EXPECT_EQ(save.fileName, "fast.qln");
    EXPECT_TRUE(SetEnabled());
}

TEST_F(MainWindowTest, AnErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
    Open();
    FakeServices::loadThrows = "The settings file vanished";
    WriteWholeFile(folder_ + "\\gone.qln", "");
    MessageBoxSeen box;
    {
        DialogAnswerer answerer(form_, {{"Open", AcceptFile("gone.qln")},
                                        {"Quillon", CloseMessageBox(form_, &box)}});
        ChooseMenuItem(form_, "&Load ...");
    }
    EXPECT_EQ(box.text, "The settings file vanished.");
    EXPECT_TRUE(box.hasIcon);
    ASSERT_TRUE(IsWindow(form_));
    Pick("Trext", "2");
    EXPECT_TRUE(SetEnabled());
}

// ---- With the program's own settings files ----

TEST_F(MainWindowTest, SavesTheValuesJustReadAndLoadsOnlyWhatAFileNames) {
    Open(ProgramServices());
    {
        DialogAnswerer answerer(form_, {{"Open", AcceptFile("now.qln")}});
        ChooseMenuItem(form_, "&Save ...");
    }
    const std::string saved = ReadWholeFile(folder_ + "\\now.qln");
    EXPECT_NE(saved.find("AGPBusLatency=72"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Trc=10"), std::string::npos) << saved;

    WriteWholeFile(folder_ + "\\pci.qln", "[PCI]\r\nPCILatency=64\r\n");
    auto expected = AllShown();
    expected["PCIBusLatency"] = "64";
    {
        DialogAnswerer answerer(form_, {{"Open", AcceptFile("pci.qln")}});
        ChooseMenuItem(form_, "&Load ...");
    }
    EXPECT_EQ(AllShown(), expected);
    EXPECT_TRUE(SetEnabled());
}

// ---- The program's message loop ----

TEST_F(MainWindowTest, RunMainWindowReturnsWhenTheWindowIsClosed) {
    std::thread closer([] {
        HWND window = nullptr;
        for (int i = 0; i < 2000 && window == nullptr; ++i) {
            window = FindWindowA(kMainForm.className, kMainForm.caption);
            if (window == nullptr || !IsWindowVisible(window)) window = nullptr, Sleep(10);
        }
        if (window != nullptr) PostMessageA(window, WM_COMMAND, MenuItemId(window, "&Exit"), 0);
    });
    EXPECT_EQ(RunMainWindow(GetModuleHandleA(nullptr), nullptr), 0);
    closer.join();
    EXPECT_EQ(FindWindowA(kMainForm.className, nullptr), nullptr);
}

}  // namespace
