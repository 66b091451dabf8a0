// The main window under Wine, on the simulated chipset, driven as a user drives it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/entry.h"
#include "app/boot_snapshot.h"
#include "app/write_logging.h"
#include "model/settings.h"
#include "hw/io_library.h"
#include "hw/pci_functions.h"
#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "sim/chipset.h"
#include "tests/support/board_dumps.h"
#include "tests/support/field_lookup.h"
#include "tests/support/run_key.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/win/new_boot.h"
#include "tests/win/process_runner.h"
#include "tests/win/ui_driver.h"
#include "ui/application_window.h"
#include "ui/form_layout.h"
#include "ui/form_scale.h"
#include "ui/resource_ids.h"
#include "ui/setregform.h"

namespace {

// Settings and start-up operations that only record what the window asked of them.
struct Fake {
    static inline std::vector<std::string> saved, loaded;
    static inline bool saveSucceeds = true, loadSucceeds = true;
    static inline const char* loadThrows = nullptr;
    static inline int loadSetsPciLatency = -1;  // what a load changes before it ends
    static inline int applies = 0, removes = 0;
    static inline std::string snapshot;  // what the boot's snapshot service names

    static void Reset() {
        saved.clear();
        loaded.clear();
        saveSucceeds = loadSucceeds = true;
        loadThrows = nullptr;
        loadSetsPciLatency = -1;
        applies = removes = 0;
        snapshot.clear();
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
    static std::string Snapshot() { return snapshot; }
    static const FormServices& Services() {
        static const FormServices services = {Save, Load, Apply, Remove, nullptr, nullptr, Snapshot};
        return services;
    }
};

constexpr uint32_t kPowerOnTiming1 = 0x3333310A;  // the simulation's DRAM Timing 1

// The test run starts these tests at several system DPIs and also without the window's
// font; the form is drawn at 96 dpi and scaled to the DPI the system reports.
int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int Scaled(int length) { return ScaleToDpi(length, SystemDpi()); }

std::vector<LONG> ScaledPlace(const ControlDescription& control) {
    const ScaledBounds bounds = ScaledClientBounds(control, SystemDpi());
    return {bounds.left, bounds.top, bounds.width, bounds.height};
}

int CALLBACK NoteFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(const char* face) {
    LOGFONTA wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// A text as a control's font draws it, and that font's metrics.
struct Drawn {
    SIZE extent;
    TEXTMETRICA metrics;
    std::string face;
};

Drawn DrawnWithFontOf(HWND control, const std::string& text) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    Drawn drawn = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &drawn.extent);
    GetTextMetricsA(dc, &drawn.metrics);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    drawn.face = face;
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return drawn;
}

std::string ListOf(const RegisterField& field) {
    for (size_t i = 0; i < kFormControlCount; ++i)
        if (kFormControls[i].kind == ControlKind::FieldList && ShownField(kFormControls[i]) == &field)
            return kFormControls[i].name;
    return "";
}

class MainWindowTest : public SimulationTest {
protected:
    MainWindowTest() : SimulationTest("window") {}
    void SetUp() override {
        Fake::Reset();
        NameFilesToThisProcess();
        GetCurrentDirectoryA(MAX_PATH, startFolder_);
        SetCurrentDirectoryA(folder_.c_str());
        SetPortOperations(kIoLibraryPorts);
        for (PciRegister& reg : RegisterTable) reg.Present = true;  // a test may have left a device out
        ASSERT_TRUE(LoadIoLibrary());
    }
    void TearDown() override {
        if (form_ != nullptr && IsWindow(form_)) DestroyWindow(form_);
        PumpMessages(form_);
        FreeIoLibrary();
        SetCurrentDirectoryA(startFolder_);
    }

    void Open(const FormServices& services = Fake::Services()) {
        form_ = CreateMainWindow(GetModuleHandleA(nullptr), nullptr, services);
        ASSERT_NE(form_, nullptr);
        ShowMainWindow(form_);
        PumpMessages(form_);
    }

    HWND Control(const std::string& name) const { return FindFormControl(form_, name.c_str()); }
    std::string Shown(const char* list) const { return WindowText(Control(list)); }
    bool SetEnabled() const { return IsWindowEnabled(Control("SetRegistersButton")) != FALSE; }
    void Pick(const char* list, const std::string& entry) { PickEntry(form_, Control(list), entry); }
    void Click(const char* button) {
        SendMessageA(Control(button), BM_CLICK, 0, 0);
        PumpMessages(form_);
    }
    // Runs a menu command while the helper answers the dialogs it opens.
    void Choose(const char* item, std::vector<DialogStep> dialogs) {
        DialogAnswerer answerer(std::move(dialogs));
        ChooseMenuItem(form_, item);
    }

    std::map<std::string, std::string> AllShown() const {
        std::map<std::string, std::string> shown;
        for (const RegisterField& field : FieldCatalogue) shown[ListOf(field)] = WindowText(Control(ListOf(field)));
        return shown;
    }

    // The chipset as the simulation holds it, read without touching the register cache.
    uint32_t Hardware(uint32_t device, uint32_t function, uint32_t offset) const {
        return ChipsetStateOrPowerOn(state_).ConfigRead(0, device, function, offset);
    }

    // "address value" for every doubleword written to the data port.
    std::vector<std::string> DataWrites() const { return DataPortWrites(log_); }

    char startFolder_[MAX_PATH] = {};
    HWND form_ = nullptr;
};

// ---- What the window looks like ----

// This test carries the program's manifest. Wine reports every process DPI aware, so
// what it read of the declaration is asked of the manifest reader itself (the one that
// finds nothing where the setting stands in the wrong namespace).
TEST(ProgramManifest, IsReadAsDeclaringTheProgramDpiAware) {
    using QuerySettings = BOOL(WINAPI*)(DWORD, HANDLE, LPCWSTR, LPCWSTR, LPWSTR, SIZE_T, SIZE_T*);
    const auto query = reinterpret_cast<QuerySettings>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
    ASSERT_NE(query, nullptr);
    wchar_t value[16] = {};
    SIZE_T length = 0;
    ASSERT_TRUE(query(0, nullptr, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware",
                      value, 16, &length))
        << GetLastError();
    EXPECT_STREQ(value, L"true");
}

TEST_F(MainWindowTest, OpensShowingTheChipsetWithSetDisabledAndFocusInTdoe) {
    Open();
    EXPECT_EQ(WindowText(form_), "Quillon V0.25b");
    const std::map<std::string, std::string> some = {{"AutoPrecharge", "Enable"}, {"Trc", "10"},
                                                     {"Trfc", "17"}, {"Tras", "6"},
                                                     {"AGPControllerLatency", "32"}, {"PCIBusLatency", "32"},
                                                     {"AGPBusLatency", "UNKNOWN"}};
    for (const auto& [list, text] : some) EXPECT_EQ(Shown(list.c_str()), text) << list;
    EXPECT_EQ(SelectedIndex(Control("AGPBusLatency")), CB_ERR);
    EXPECT_EQ(RegisterTable[4].Value >> 24, 0x48u);  // kept although no choice names it
    EXPECT_FALSE(SetEnabled());
    EXPECT_EQ(FocusedControl(form_), Control("Tdoe"));
    for (const RegisterField& field : FieldCatalogue) {
        EXPECT_EQ(WindowText(Control(ListOf(field) + "Label")), field.Name);
        EXPECT_EQ(static_cast<size_t>(SendMessageA(Control(ListOf(field)), CB_GETCOUNT, 0, 0)), ChoiceCount(field));
    }
}

TEST_F(MainWindowTest, HasAFixedCentredFrameWithTheFormsFontsAndIcon) {
    Open();
    const LONG style = GetWindowLongA(form_, GWL_STYLE);
    EXPECT_TRUE((style & WS_SYSMENU) && (style & WS_MINIMIZEBOX));
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    RECT client, frame;
    GetClientRect(form_, &client);
    EXPECT_EQ(client.right, Scaled(392));
    EXPECT_EQ(client.bottom, Scaled(400));
    GetWindowRect(form_, &frame);
    EXPECT_LE(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);
    EXPECT_EQ(GetClassLongPtrA(form_, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

    // The face each control really got, and its character height. Where the window's
    // font is missing the system picks another face; it must still be the same for all.
    auto font = [](HWND control) {
        const Drawn drawn = DrawnWithFontOf(control, "");
        return std::make_pair(drawn.face, drawn.metrics.tmHeight - drawn.metrics.tmInternalLeading);
    };
    // The heights asked for scale with the DPI; a bitmap face may come out a size below.
    auto asked = [](HWND control) {
        LOGFONTA font = {};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
        return -font.lfHeight;
    };
    const auto windowFont = font(Control("Trc"));
    if (FontInstalled("MS Sans Serif")) {
        EXPECT_EQ(windowFont.first, "MS Sans Serif");
        if (SystemDpi() == kDesignDpi) {
            EXPECT_EQ(windowFont.second, 11);
            EXPECT_EQ(SendMessageA(Control("Trc"), CB_GETITEMHEIGHT, 0, 0), 13);
        }
    }
    for (const char* control : {"Trc", "TrcLabel", "GroupBox3", "RefreshButton", "Label4"}) {
        EXPECT_EQ(font(Control(control)), windowFont) << control;
        EXPECT_EQ(asked(Control(control)), Scaled(11)) << control;
    }
    EXPECT_EQ(asked(Control("Label3")), Scaled(16));
    if (SystemDpi() == kDesignDpi) {
        EXPECT_EQ(font(Control("Label3")).second, 16);
    }
    // The entries keep the natural height of the font (13 pixels at 96 dpi).
    EXPECT_EQ(SendMessageA(Control("Trc"), CB_GETITEMHEIGHT, 0, 0),
              DrawnWithFontOf(Control("Trc"), "").metrics.tmHeight);

    // One 32 x 32 image of 16 colours (4 bits a pixel), which the window shows.
    HRSRC group = FindResourceA(nullptr, MAKEINTRESOURCEA(IDI_QUILLON), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
    EXPECT_EQ(std::vector<int>({directory[4], directory[6], directory[7], directory[8], directory[12]}),
              std::vector<int>({1, 32, 32, 16, 4}));
    EXPECT_NE(GetClassLongPtrA(form_, GCLP_HICON), 0u);
}

TEST_F(MainWindowTest, ControlsLieWhereTheFormPlacesThem) {
    Open();
    auto placed = [this](const std::string& name) {
        RECT r;
        GetWindowRect(Control(name), &r);
        MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
        return std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    const std::map<std::string, std::vector<LONG>> expected = {
        {"GroupBox3", {8, 0, 185, 201}},         {"TimingGroupBox", {200, 0, 185, 201}},
        {"GroupBox2", {8, 208, 377, 113}},       {"GroupBox1", {8, 328, 377, 65}},
        {"AutoPrecharge", {104, 24, 81, 21}},    {"Tr2w", {296, 168, 81, 21}},
        {"PCIBusLatency", {136, 280, 81, 21}},   {"RefreshButton", {19, 352, 75, 25}},
        {"SetRegistersButton", {99, 352, 75, 25}}, {"Label3", {192, 368, 185, 20}}};
    if (SystemDpi() == kDesignDpi) {
        for (const auto& [name, rectangle] : expected) EXPECT_EQ(placed(name), rectangle) << name;
        EXPECT_EQ(placed("Label2")[0], 208);
        EXPECT_EQ(placed("Label4")[1], 352);
    }
    for (const auto& [name, rectangle] : expected)
        EXPECT_EQ(placed(name), ScaledPlace(*FindControl(name.c_str()))) << name;
    EXPECT_EQ(placed("Label2")[0], ScaledPlace(*FindControl("Label2"))[0]);
    EXPECT_EQ(placed("Label4")[1], ScaledPlace(*FindControl("Label4"))[1]);
    EXPECT_EQ(WindowText(Control("Label4")), "July 2004");

    for (const RegisterField& field : FieldCatalogue) {
        const std::string list = ListOf(field);
        const ControlDescription& description = *FindControl(list.c_str());
        const std::vector<LONG> at = placed(list), label = placed(list + "Label");
        EXPECT_EQ(at, ScaledPlace(description)) << list;
        EXPECT_EQ(at[3], Scaled(21)) << list << ": the selection field keeps the form's height";
        const std::vector<LONG> labelAt = ScaledPlace(*FindControl((list + "Label").c_str()));
        EXPECT_EQ(label[0], labelAt[0]) << list;
        EXPECT_EQ(label[1], labelAt[1]) << list;  // 4 pixels (at 96 dpi) below the list's top
        EXPECT_EQ(label[3], DrawnWithFontOf(Control(list), "").metrics.tmHeight) << list;  // 13 at 96 dpi
        EXPECT_GT(label[2], 10) << list;
        EXPECT_LT(label[0] + label[2], at[0]) << list << "'s label runs into it";
    }
    for (const char* button : {"RefreshButton", "SetRegistersButton"})
        EXPECT_FALSE(GetWindowLongA(Control(button), GWL_STYLE) & BS_DEFPUSHBUTTON) << button;

    // A picture for people to look at, one for each DPI and font the run tries; the
    // test run turns it into a PNG.
    std::string name = "main_window";
    if (SystemDpi() != kDesignDpi) name += "_" + std::to_string(SystemDpi()) + "dpi";
    if (!FontInstalled("MS Sans Serif")) name += "_without_font";
    const std::string screenshots = std::string(startFolder_) + "\\..\\screenshots";
    CreateDirectoryA(screenshots.c_str(), nullptr);
    RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpMessages(form_);
    EXPECT_TRUE(SaveScreenshot(form_, screenshots + "\\" + name + ".bmp"));
}

// At any DPI and with any font: no control covers another, each lies inside its group
// box and the client area, and every caption, label and list entry shows whole.
TEST_F(MainWindowTest, NothingOverlapsAndEveryTextShowsWhole) {
    Open();
    auto rect = [this](const ControlDescription& control) {
        RECT r;
        GetWindowRect(Control(control.name), &r);
        MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    RECT client;
    GetClientRect(form_, &client);
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        const RECT r = rect(control);
        const ControlDescription* group = FindControl(control.parent);
        const RECT outer = group ? rect(*group) : client;
        EXPECT_TRUE(r.left >= outer.left && r.top >= outer.top && r.right <= outer.right && r.bottom <= outer.bottom)
            << control.name << " sticks out of " << (group ? group->name : "the window");
        if (control.kind == ControlKind::GroupBox) continue;
        for (size_t j = i + 1; j < kFormControlCount; ++j) {
            const ControlDescription& other = kFormControls[j];
            RECT overlap;
            if (other.kind != ControlKind::GroupBox) {
                const RECT o = rect(other);
                EXPECT_FALSE(IntersectRect(&overlap, &r, &o)) << control.name << " covers " << other.name;
            }
        }
    }

    for (const char* name : {"GroupBox3", "TimingGroupBox", "GroupBox2"}) {
        const ControlDescription& group = *FindControl(name);
        const Drawn caption = DrawnWithFontOf(Control(name), group.caption);
        const RECT r = rect(group);
        EXPECT_LE(caption.extent.cx + 2 * Scaled(8), r.right - r.left) << name << "'s caption is cut off";
        for (size_t i = 0; i < kFormControlCount; ++i) {
            if (std::string(kFormControls[i].parent) != name) continue;
            EXPECT_LE(r.top + caption.metrics.tmHeight, rect(kFormControls[i]).top)
                << name << "'s caption runs into " << kFormControls[i].name;
        }
    }
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        HWND handle = Control(control.name);
        const RECT r = rect(control);
        if (control.kind == ControlKind::Button || control.kind == ControlKind::InfoLabel ||
            control.kind == ControlKind::FieldLabel) {
            const Drawn text = DrawnWithFontOf(handle, WindowText(handle));
            EXPECT_LE(text.extent.cx, r.right - r.left) << control.name << " is clipped";
            EXPECT_LE(text.metrics.tmHeight, r.bottom - r.top) << control.name << " is clipped";
        }
        if (control.kind != ControlKind::FieldList) continue;
        const COMBOBOXINFO parts = ComboInfo(handle);
        // The text field draws between its margins.
        RECT field;
        GetClientRect(parts.hwndItem, &field);
        const LRESULT margins = SendMessageA(parts.hwndItem, EM_GETMARGINS, 0, 0);
        field.right -= LOWORD(margins) + HIWORD(margins);
        std::vector<std::string> texts = {"UNKNOWN"};
        for (LRESULT e = 0; e < SendMessageA(handle, CB_GETCOUNT, 0, 0); ++e) {
            char entry[64] = {};
            SendMessageA(handle, CB_GETLBTEXT, static_cast<WPARAM>(e), reinterpret_cast<LPARAM>(entry));
            texts.push_back(entry);
        }
        for (const std::string& text : texts) {
            const Drawn drawn = DrawnWithFontOf(handle, text);
            EXPECT_LE(drawn.extent.cx, field.right) << control.name << " clips \"" << text << "\" in " << drawn.face;
            EXPECT_LE(drawn.metrics.tmHeight, field.bottom) << control.name << " clips \"" << text << "\"";
        }
    }
}

TEST_F(MainWindowTest, DropDownsOpenWithEveryEntryVisibleAndOpeningIsNoPick) {
    Open();
    const auto before = AllShown();
    for (const RegisterField& field : FieldCatalogue) {
        HWND list = Control(ListOf(field));
        const int rows = static_cast<int>(ChoiceCount(field));
        SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
        PumpMessages(form_);
        const COMBOBOXINFO info = ComboInfo(list);
        RECT closed, opened, shown, last;
        GetWindowRect(list, &closed);
        GetWindowRect(info.hwndList, &opened);
        GetClientRect(info.hwndList, &shown);
        SendMessageA(info.hwndList, LB_GETITEMRECT, rows - 1, reinterpret_cast<LPARAM>(&last));
        const int itemHeight = static_cast<int>(SendMessageA(list, CB_GETITEMHEIGHT, 0, 0));  // 13 at 96 dpi
        EXPECT_EQ(closed.bottom - closed.top, Scaled(21)) << field.Key;
        const int height = rows * itemHeight + 2 * GetSystemMetrics(SM_CYBORDER);
        EXPECT_EQ(opened.bottom - opened.top, height) << field.Key;
        if (closed.bottom + height <= GetSystemMetrics(SM_CYSCREEN)) {
            EXPECT_EQ(opened.top, closed.bottom) << field.Key;
        } else {  // no room below the list at this DPI: the drop-down moves, whole, onto the screen
            EXPECT_TRUE(opened.top >= 0 && opened.bottom <= GetSystemMetrics(SM_CYSCREEN)) << field.Key;
        }
        EXPECT_EQ(shown.bottom, rows * itemHeight) << field.Key;
        EXPECT_LE(last.bottom, shown.bottom) << field.Key << ": the last entry is hidden";
        EXPECT_FALSE(GetWindowLongA(info.hwndList, GWL_STYLE) & WS_VSCROLL) << field.Key;
        SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
        PumpMessages(form_);
    }
    EXPECT_EQ(AllShown(), before);
    EXPECT_FALSE(SetEnabled());
}

TEST_F(MainWindowTest, KeyboardVisitsTheGroupBoxesInTheirTabOrderAndReachesTheMenu) {
    Open();
    auto tour = [this](int presses) {
        std::vector<std::string> visited;
        for (int i = 0; i < presses; ++i) {
            std::string name = "?";
            for (size_t c = 0; c < kFormControlCount; ++c)
                if (Control(kFormControls[c].name) == FocusedControl(form_)) name = kFormControls[c].name;
            visited.push_back(name);
            PressKey(form_, VK_TAB);
        }
        return visited;
    };
    EXPECT_EQ(tour(19), (std::vector<std::string>{"Tdoe", "Trrd", "Tw2p", "Tw2r", "Trext", "Tr2p", "Tr2w",
                                                  "RefreshButton", "AGPControllerLatency", "AGPBusLatency",
                                                  "PCIBusLatency", "Trc", "Trfc", "Tras", "Trcdr", "Trcdw", "Trp",
                                                  "AutoPrecharge", "Tdoe"}));
    Pick("Trc", "11");  // Set, enabled, takes its turn
    SetFocus(Control("Tr2w"));
    EXPECT_EQ(tour(4), (std::vector<std::string>{"Tr2w", "RefreshButton", "SetRegistersButton", "AGPControllerLatency"}));
    SetFocus(Control("RefreshButton"));
    PressKey(form_, VK_RIGHT);
    EXPECT_EQ(FocusedControl(form_), Control("SetRegistersButton"));
    PressKey(form_, VK_RETURN);  // the keyboard interface's OK and Cancel mean nothing here
    PressKey(form_, VK_ESCAPE);
    EXPECT_TRUE(IsWindow(form_));
    EXPECT_TRUE(SetEnabled());

    std::vector<std::string> menu = {MenuText(GetMenu(form_), 0)};
    HMENU file = GetSubMenu(GetMenu(form_), 0);
    for (int i = 0; i < GetMenuItemCount(file); ++i) menu.push_back(MenuText(file, i));
    EXPECT_EQ(menu, (std::vector<std::string>{"&File", "&Save ...", "&Load ...", "&Boot Values", "&Copy as Text", "-",
                                              "&Apply Settings at Startup", "&Remove Startup settings", "-", "&Exit"}));
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
}

TEST_F(MainWindowTest, SetWritesEachRegisterOnceAndShowsWhatTheChipsetKept) {
    Open();
    Pick("Trc", "5");
    Pick("Tras", "15");
    Pick("AGPBusLatency", "255");  // the bridge keeps the low three bits at zero
    MessageBoxSeen box;
    {
        DialogAnswerer answerer({{"Quillon", CloseMessageBox(form_, &box)}});
        Click("SetRegistersButton");
        answerer.Stop();
    }
    EXPECT_NE(box.text.find("\n\nAGP Bus Latency: asked 255, the chipset kept 248\n"), std::string::npos)
        << box.text;
    EXPECT_EQ(box.text.find("T(RAS)"), std::string::npos) << "kept fields are not reported";
    EXPECT_TRUE(box.ownerDisabled);

    const uint32_t timing1 = (kPowerOnTiming1 & ~0x1Fu & ~(0xFu << 15)) | 5u | (15u << 15);
    char timing1Write[32];
    std::snprintf(timing1Write, sizeof timing1Write, "80000190 %08lX", static_cast<unsigned long>(timing1));
    const std::vector<std::string> writes = DataWrites();
    EXPECT_EQ(writes.size(), kRegisterCount);
    EXPECT_EQ(std::count(writes.begin(), writes.end(), std::string(timing1Write)), 1);
    EXPECT_EQ(Hardware(0, 1, 0x90), timing1);
    EXPECT_EQ(Hardware(30, 0, 0x18) >> 24, 0xF8u);
    EXPECT_EQ(RegisterTable[4].Value >> 24, 0xF8u);
    EXPECT_EQ(Shown("AGPBusLatency"), "UNKNOWN");
    EXPECT_EQ(Shown("Tras"), "15");
    EXPECT_FALSE(SetEnabled());
}

// Another Quillon applies a file while the window is open: Set writes nothing the window
// has not shown, and shows what the chipset now holds.
TEST_F(MainWindowTest, SetAfterAnotherQuillonWroteShowsItsValuesAndWritesNothing) {
    Open();
    Pick("Tras", "11");
    WriteWholeFile(folder_ + "\\other.qln", "[PCI]\r\nPCILatency=96\r\n");
    ProgramStart other = StartInFolder(folder_, state_, folder_ + "\\other-ports.log");
    other.argumentTail = "other.qln";
    const ProgramRun applied = RunProgram(other);
    ASSERT_TRUE(applied.finished);
    ASSERT_EQ(Hardware(8, 0, 0x18) >> 24, 96u);
    MessageBoxSeen box;
    {
        DialogAnswerer answerer({{"Quillon", CloseMessageBox(form_, &box)}});
        Click("SetRegistersButton");
        answerer.Stop();
    }
    EXPECT_NE(box.text.find("Nothing was written"), std::string::npos) << box.text;
    EXPECT_TRUE(DataWrites().empty());
    EXPECT_EQ(Hardware(8, 0, 0x18) >> 24, 96u) << "Set undid the other Quillon's write";
    EXPECT_EQ(Shown("PCIBusLatency"), "96");
    EXPECT_NE(Shown("Tras"), "11");
    EXPECT_FALSE(SetEnabled());

    // Shown now, the chipset's values are Set's to write over.
    Pick("PCIBusLatency", "128");
    Click("SetRegistersButton");
    EXPECT_EQ(Hardware(8, 0, 0x18) >> 24, 128u);
}

TEST_F(MainWindowTest, TheWindowsFirstReadIsTheBootsSnapshotAndEveryWriteIsLogged) {
    ASSERT_TRUE(ComputeAppPaths());
    DeleteFileA(WriteLogPath().c_str());
    DeleteFileA(BootSnapshotPath().c_str());
    ForgetBootRecord();
    Open(ProgramServices());
    EXPECT_EQ(ExistingBootSnapshot(), BootSnapshotPath());
    EXPECT_EQ(SettingsFileText(BootSnapshotPath().c_str(), "DRAM", "Trc"), "10");
    Pick("Trc", "5");
    Click("SetRegistersButton");
    const std::string log = ReadWholeFile(WriteLogPath());
    DeleteFileA(WriteLogPath().c_str());
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.find(" window\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  00:00.1+90 before 3333310A written 33333105 read back 33333105\r\n"),
              std::string::npos) << log;
}

TEST_F(MainWindowTest, BootValuesLoadsTheSnapshotForSetAndIsDisabledWithoutOne) {
    Open();
    const auto enabled = [this] {
        SendMessageA(form_, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(form_)), 0);
        return !(GetMenuState(GetMenu(form_), MenuItemId(form_, "&Boot Values"), MF_BYCOMMAND) & MF_GRAYED);
    };
    EXPECT_FALSE(enabled());
    Fake::snapshot = folder_ + "\\boot.qln";
    WriteWholeFile(Fake::snapshot, "[PCI]\r\nPCILatency=64\r\n");
    Fake::loadSetsPciLatency = 64;
    ASSERT_TRUE(enabled());
    ChooseMenuItem(form_, "&Boot Values");
    EXPECT_EQ(Fake::loaded, std::vector<std::string>{Fake::snapshot});
    EXPECT_EQ(Shown("PCIBusLatency"), "64");
    EXPECT_TRUE(SetEnabled());
    EXPECT_TRUE(DataWrites().empty()) << "nothing is written until Set";
}

// Quillon changes only bit 17 of 00:00.1+84; on a board with integrated graphics the
// same register holds the graphics memory size. Neither a Set nor the boot's values set
// again may move any other bit of it.
TEST_F(MainWindowTest, SetAndBootValuesChangeOnlyAutoPrechargeBesideTheGraphicsMemorySize) {
    FreeIoLibrary();  // the simulated library takes its chipset when it loads
    WriteWholeFile(state_, IntegratedGraphicsBoard(TestExecutableFolder() + "\\boards"));
    ASSERT_TRUE(LoadIoLibrary());
    ASSERT_TRUE(ComputeAppPaths());
    DeleteFileA(BootSnapshotPath().c_str());
    Open(ProgramServices());
    const uint32_t booted = Hardware(0, 1, 0x84);
    ASSERT_EQ(GraphicsMemoryMiB(booted), 32u);
    Pick("AutoPrecharge", (booted >> 17 & 1) != 0 ? "Disable" : "Enable");
    Click("SetRegistersButton");
    EXPECT_EQ(Hardware(0, 1, 0x84), booted ^ (1u << 17));
    ChooseMenuItem(form_, "&Boot Values");
    Click("SetRegistersButton");
    EXPECT_EQ(Hardware(0, 1, 0x84), booted);
    DeleteFileA(WriteLogPath().c_str());
}

TEST_F(MainWindowTest, LoadAsksBeforeTakingATuningMadeOnAnotherMachine) {
    Open();
    WriteWholeFile(folder_ + "\\elsewhere.qln",
                   "[Machine]\r\nHostBridge=8086:2570 02\r\n[PCI]\r\nPCILatency=64\r\n");
    MessageBoxSeen question;
    Choose("&Load ...", {{"Open", AcceptFile("elsewhere.qln")}, {"Quillon", AnswerQuestion(form_, false, &question)}});
    EXPECT_TRUE(question.yesNo);
    EXPECT_TRUE(question.noIsDefault);
    EXPECT_TRUE(question.hasIcon);
    EXPECT_NE(question.text.find("HostBridge: saved on 8086:2570 02; this machine has"), std::string::npos)
        << question.text;
    EXPECT_TRUE(Fake::loaded.empty()) << "No loads nothing";
    EXPECT_FALSE(SetEnabled());

    Choose("&Load ...", {{"Open", AcceptFile("elsewhere.qln")}, {"Quillon", AnswerQuestion(form_, true, &question)}});
    EXPECT_EQ(Fake::loaded, std::vector<std::string>{folder_ + "\\elsewhere.qln"});
    EXPECT_TRUE(SetEnabled());
}

TEST_F(MainWindowTest, RefreshDiscardsPicksAndLeavesSetAsItWas) {
    Open();
    const auto atStart = AllShown();
    Click("RefreshButton");
    EXPECT_FALSE(SetEnabled());
    Pick("Trcdr", "7");
    Pick("PCIBusLatency", "224");
    Click("RefreshButton");
    EXPECT_EQ(AllShown(), atStart);
    EXPECT_EQ(RegisterTable[1].Value, kPowerOnTiming1);
    EXPECT_TRUE(SetEnabled());
    EXPECT_TRUE(DataWrites().empty());
}

TEST_F(MainWindowTest, TypedTextIsNeverTakenAsAValue) {
    Open();
    const uint32_t timing1 = RegisterTable[1].Value, agpBus = RegisterTable[4].Value;
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

TEST_F(MainWindowTest, StartupItemsLeaveSetAloneAndExitClosesAtOnce) {
    Open();
    Pick("Tw2p", "1");
    ChooseMenuItem(form_, "&Apply Settings at Startup");
    ChooseMenuItem(form_, "&Remove Startup settings");
    EXPECT_EQ(Fake::applies, 1);
    EXPECT_EQ(Fake::removes, 1);
    EXPECT_TRUE(SetEnabled());
    ChooseMenuItem(form_, "&Exit");
    EXPECT_FALSE(IsWindow(form_));
    EXPECT_TRUE(DataWrites().empty());
}

TEST_F(MainWindowTest, RefusedMachineGetsAnEmptyWindowWhereOnlyRemoveStartupSettingsAndExitWork) {
    form_ = CreateMainWindow(GetModuleHandleA(nullptr), nullptr, Fake::Services(), MachineState::Refused);
    ASSERT_NE(form_, nullptr);
    ShowMainWindow(form_);
    PumpMessages(form_);
    for (const RegisterField& field : FieldCatalogue) {
        HWND list = Control(ListOf(field));
        EXPECT_FALSE(IsWindowEnabled(list)) << field.Name;
        EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 0) << field.Name;
        EXPECT_EQ(WindowText(list), "") << field.Name;
    }
    EXPECT_FALSE(IsWindowEnabled(Control("RefreshButton")));
    EXPECT_FALSE(SetEnabled());
    HMENU file = GetSubMenu(GetMenu(form_), 0);
    auto grayed = [&](const char* item) { return (GetMenuState(file, MenuItemId(form_, item), MF_BYCOMMAND) & MF_GRAYED) != 0; };
    for (const char* item : {"&Save ...", "&Load ...", "&Apply Settings at Startup"}) EXPECT_TRUE(grayed(item)) << item;
    EXPECT_FALSE(grayed("&Remove Startup settings"));
    EXPECT_FALSE(grayed("&Exit"));

    // Sent anyway, a disabled command does nothing.
    SendMessageA(form_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Control("SetRegistersButton")), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control("SetRegistersButton")));
    ChooseMenuItem(form_, "&Save ...");
    ChooseMenuItem(form_, "&Apply Settings at Startup");
    EXPECT_TRUE(Fake::saved.empty());
    EXPECT_EQ(Fake::applies, 0);
    EXPECT_TRUE(ReadWholeFile(log_).empty()) << "a port was touched";

    ChooseMenuItem(form_, "&Remove Startup settings");
    EXPECT_EQ(Fake::removes, 1);
    ChooseMenuItem(form_, "&Exit");
    EXPECT_FALSE(IsWindow(form_));
}

// The working directory for one test: a scratch folder holding quillon.exe, as the
// start-up command needs (only the file's presence counts).
class StartedFromProgramFolder {
public:
    StartedFromProgramFolder() : folder_(MakeScratchFolder("window-startup")) {
        GetCurrentDirectoryA(MAX_PATH, previous_);
        WriteWholeFile(folder_ + "\\quillon.exe", "");
        SetCurrentDirectoryA(folder_.c_str());
    }
    ~StartedFromProgramFolder() {
        SetCurrentDirectoryA(previous_);
        RemoveTree(folder_);
    }

private:
    const std::string folder_;
    char previous_[MAX_PATH];
};

TEST_F(MainWindowTest, ApplyAtStartupStoresPicksNotYetSetAndRemoveLeavesTheFile) {
    const StartedFromProgramFolder started;
    ASSERT_TRUE(ComputeAppPaths());
    Open(ProgramServices());
    Pick("Tras", "11");
    ChooseMenuItem(form_, "&Apply Settings at Startup");
    EXPECT_NE(ReadWholeFile(StartupFilePath).find("Tras=11"), std::string::npos);
    const RunValue registered = ReadRunValue();
    EXPECT_TRUE(registered.present);
    EXPECT_EQ(registered.data, BuildStartupCommand(ExePath, StartupFilePath));

    ChooseMenuItem(form_, "&Remove Startup settings");
    EXPECT_FALSE(ReadRunValue().present);
    EXPECT_TRUE(FileExists(StartupFilePath));
    EXPECT_TRUE(SetEnabled());
    EXPECT_TRUE(DataWrites().empty());  // the hardware only changes with Set
}

TEST_F(MainWindowTest, MinimisingHidesTheWindowBehindTheApplicationsTaskBarButton) {
    HWND application = CreateApplicationWindow(GetModuleHandleA(nullptr));
    ASSERT_NE(application, nullptr);
    form_ = CreateMainWindow(GetModuleHandleA(nullptr), application, Fake::Services());
    ASSERT_NE(form_, nullptr);
    ShowMainWindow(form_);
    PumpMessages(form_);
    char title[64] = "";
    GetWindowTextA(application, title, sizeof title);
    EXPECT_STREQ(title, "Quillon");

    SendMessageA(form_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PumpMessages(form_);
    EXPECT_TRUE(IsIconic(application));
    EXPECT_FALSE(IsWindowVisible(form_));
    EXPECT_FALSE(IsIconic(form_));

    ShowWindow(application, SW_RESTORE);
    PumpMessages(form_);
    EXPECT_TRUE(IsWindowVisible(form_));
    DestroyWindow(form_);
    DestroyWindow(application);
}

// ---- Save and Load through the real file dialog ----

TEST_F(MainWindowTest, SaveStartsInTheCurrentFolderAddsTheExtensionAndReportsFailure) {
    Open();
    Pick("Trfc", "3");  // saved as it stands, not yet written
    FileDialogSeen seen;
    Choose("&Save ...", {{"Open", AcceptFile("tuning", &seen)}});
    EXPECT_EQ(seen.title, "Open");
    EXPECT_EQ(seen.folder, folder_);
    EXPECT_EQ(seen.fileName, "");
    EXPECT_EQ(seen.filters, (std::vector<std::string>{"Register files (*.qln)", "All Files (*.*)"}));
    EXPECT_EQ(seen.filter, 0);
    EXPECT_FALSE(seen.readOnlyBoxShown);
    EXPECT_TRUE(seen.resizable);
    EXPECT_EQ(Fake::saved, std::vector<std::string>{folder_ + "\\tuning.qln"});

    Fake::saveSucceeds = false;
    SetFocus(Control("Tras"));
    MessageBoxSeen box;
    Choose("&Save ...", {{"Open", AcceptFile("other.qln")}, {"Save Error", CloseMessageBox(form_, &box)}});
    EXPECT_EQ(box.text, "There was an error saving to file \"" + folder_ + "\\other.qln\".");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_TRUE(box.ownerDisabled);
    EXPECT_TRUE(SetEnabled());
    EXPECT_EQ(Shown("Trfc"), "3");
    EXPECT_EQ(FocusedControl(form_), Control("Tras"));
}

TEST_F(MainWindowTest, LoadEnablesSetAndShowsWhatArrivedEvenWhenItFails) {
    Open();
    Fake::loadSucceeds = false;
    Fake::loadSetsPciLatency = 96;
    WriteWholeFile(folder_ + "\\broken.qln", "");
    MessageBoxSeen box;
    Choose("&Load ...", {{"Open", AcceptFile("broken.qln")}, {"Load Error", CloseMessageBox(form_, &box)}});
    EXPECT_EQ(box.text, "There was an error loading from file \"" + folder_ +
                            "\\broken.qln\".\nSome values may not have been loaded.");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(Shown("PCIBusLatency"), "96");
    EXPECT_TRUE(SetEnabled());
    EXPECT_TRUE(DataWrites().empty());
}

TEST_F(MainWindowTest, CancelChangesNothingAndTheNextDialogOffersTheFileReturnedLast) {
    Open();
    Choose("&Load ...", {{"Open", CancelDialog()}});
    EXPECT_FALSE(SetEnabled());
    WriteWholeFile(folder_ + "\\fast.qln", "");
    Choose("&Load ...", {{"Open", AcceptFile("fast.qln")}});
    EXPECT_TRUE(SetEnabled());

    SetCurrentDirectoryA(startFolder_);  // the file's folder is offered, not the current one
    FileDialogSeen seen;
    Choose("&Save ...", {{"Open", CancelDialog(&seen)}});
    EXPECT_EQ(seen.folder, folder_);
    EXPECT_EQ(seen.fileName, "fast.qln");
    EXPECT_EQ(Fake::loaded, std::vector<std::string>{folder_ + "\\fast.qln"});
    EXPECT_TRUE(Fake::saved.empty());
    EXPECT_TRUE(SetEnabled());
}

TEST_F(MainWindowTest, AnErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
    Open();
    Fake::loadThrows = "The settings file vanished";
    WriteWholeFile(folder_ + "\\gone.qln", "");
    MessageBoxSeen box;
    Choose("&Load ...", {{"Open", AcceptFile("gone.qln")}, {"Quillon", CloseMessageBox(form_, &box)}});
    EXPECT_EQ(box.text, "The settings file vanished.");
    EXPECT_TRUE(box.hasIcon);
    ASSERT_TRUE(IsWindow(form_));
    Pick("Trext", "2");
    EXPECT_TRUE(SetEnabled());
}

TEST_F(MainWindowTest, SavesTheValuesJustReadAndLoadsOnlyWhatAFileNames) {
    Open(ProgramServices());
    Choose("&Save ...", {{"Open", AcceptFile("now.qln")}});
    const std::string saved = ReadWholeFile(folder_ + "\\now.qln");
    EXPECT_NE(saved.find("AGPBusLatency=72"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Trc=10"), std::string::npos) << saved;

    WriteWholeFile(folder_ + "\\pci.qln", "[PCI]\r\nPCILatency=64\r\n");
    auto expected = AllShown();
    expected["PCIBusLatency"] = "64";
    Choose("&Load ...", {{"Open", AcceptFile("pci.qln")}});
    EXPECT_EQ(AllShown(), expected);
    EXPECT_TRUE(SetEnabled());
}

// A board without an AGP bridge, checked as the program checks every machine.
TEST_F(MainWindowTest, FieldsOfAnAbsentBridgeShowItMissingAndAreNeverWrittenNorSaved) {
    FreeIoLibrary();
    WriteWholeFile(state_, WithoutFunction(BoardDump(TestExecutableFolder() + "\\boards", "nforce2_asus_a7n8x"),
                                           "00:1e.0"));
    ASSERT_TRUE(LoadIoLibrary());
    ASSERT_EQ(CheckPortPath(), PortPath::Works);
    ReadFunctionIdentities();
    ASSERT_EQ(IdentityProblems(), "");
    MarkAbsentDevices();
    Open(ProgramServices());

    auto expectAbsent = [&](const char* when) {
        for (const char* key : {"AGPControllerLatency", "AGPBusLatency"}) {
            HWND list = Control(ListOf(Field(key)));
            EXPECT_FALSE(IsWindowEnabled(list)) << key << " " << when;
            EXPECT_EQ(SelectedIndex(list), -1) << key << " " << when;
            EXPECT_EQ(WindowText(list), "absent") << key << " " << when;
        }
    };
    expectAbsent("on opening");
    EXPECT_EQ(Shown("PCIBusLatency"), "32");
    EXPECT_EQ(Shown("Tras"), "7");
    EXPECT_FALSE(SetEnabled());

    Pick("Tras", "5");
    EXPECT_TRUE(SetEnabled());
    expectAbsent("after a pick");
    Click("SetRegistersButton");
    const std::vector<std::string> writes = DataWrites();
    EXPECT_EQ(writes.size(), 4u);
    for (const std::string& write : writes) EXPECT_NE(write.substr(0, 6), "8000F0") << write;
    EXPECT_EQ((Hardware(0, 1, 0x90) >> 15) & 15, 5u);
    expectAbsent("after Set");
    Click("RefreshButton");
    expectAbsent("after Refresh");

    Choose("&Save ...", {{"Open", AcceptFile("here.qln")}});
    const std::string saved = ReadWholeFile(folder_ + "\\here.qln");
    EXPECT_NE(saved.find("PCILatency=32"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("AGP"), std::string::npos) << saved;
}

TEST_F(MainWindowTest, RunMainWindowReturnsWhenTheWindowIsClosed) {
    const DWORD testThread = GetCurrentThreadId();
    bool shown = false;
    std::thread closer([&] {
        HWND window = AwaitVisibleWindow(kMainForm.className, kMainForm.caption, kDialogDeadlineMs);
        shown = window != nullptr;
        if (shown)
            PostMessageA(window, WM_COMMAND, MenuItemId(window, "&Exit"), 0);
        else  // the loop must still end for the test to report it
            PostThreadMessageA(testThread, WM_QUIT, 0, 0);
    });
    EXPECT_EQ(RunMainWindow(GetModuleHandleA(nullptr), nullptr, ProgramServices()), 0);
    closer.join();
    EXPECT_TRUE(shown) << "the main window did not show within " << kDialogDeadlineMs << " ms";
    EXPECT_EQ(FindWindowA(kMainForm.className, nullptr), nullptr);
}

}  // namespace
