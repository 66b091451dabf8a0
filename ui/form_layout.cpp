#include "ui/form_layout.h"

#include <cstring>

const FormDescription kMainForm = {"TSetRegisterForm", "Quillon V0.25b", 392, 400};

// Where MS Sans Serif is missing, the face the system gives its dialogs has metrics
// made for the same small controls; any other face the font mapper picked might be
// wider and clip the lists' texts.
const FontDescription kWindowFont = {"MS Sans Serif", 11, false, kWindowTextColour, "MS Shell Dlg"};
const FontDescription kSiteNameFont = {"Microsoft Sans Serif", 16, true, 0x00808000, ""};  // teal

namespace {

using K = ControlKind;
using F = ControlFont;
using C = FormCommand;

}  // namespace

// Name, kind, parent, caption, field, left, top, width, height, tab order, font, command.
const ControlDescription kFormControls[] = {
    {"GroupBox3", K::GroupBox, "", "DRAM Timing Parameters", "", 8, 0, 185, 201, 3, F::Window, C::None},
    {"TimingGroupBox", K::GroupBox, "", "DRAM Alpha Timing Parameters", "", 200, 0, 185, 201, 0, F::Window, C::None},
    {"GroupBox2", K::GroupBox, "", "PCI/AGP Timings", "", 8, 208, 377, 113, 2, F::Window, C::None},
    {"GroupBox1", K::GroupBox, "", "", "", 8, 328, 377, 65, 1, F::Window, C::None},

    {"AutoPrechargeLabel", K::FieldLabel, "GroupBox3", "", "AutoPrecharge", 8, 28, 0, 0, kNoTabStop, F::Window, C::None},
    {"AutoPrecharge", K::FieldList, "GroupBox3", "", "AutoPrecharge", 96, 24, 81, 21, 6, F::Window, C::None},
    {"TrcLabel", K::FieldLabel, "GroupBox3", "", "Trc", 8, 52, 0, 0, kNoTabStop, F::Window, C::None},
    {"Trc", K::FieldList, "GroupBox3", "", "Trc", 96, 48, 81, 21, 0, F::Window, C::None},
    {"TrfcLabel", K::FieldLabel, "GroupBox3", "", "Trfc", 8, 76, 0, 0, kNoTabStop, F::Window, C::None},
    {"Trfc", K::FieldList, "GroupBox3", "", "Trfc", 96, 72, 81, 21, 1, F::Window, C::None},
    {"TrasLabel", K::FieldLabel, "GroupBox3", "", "Tras", 8, 100, 0, 0, kNoTabStop, F::Window, C::None},
    {"Tras", K::FieldList, "GroupBox3", "", "Tras", 96, 96, 81, 21, 2, F::Window, C::None},
    {"TrcdrLabel", K::FieldLabel, "GroupBox3", "", "Trcdr", 8, 124, 0, 0, kNoTabStop, F::Window, C::None},
    {"Trcdr", K::FieldList, "GroupBox3", "", "Trcdr", 96, 120, 81, 21, 3, F::Window, C::None},
    {"TrcdwLabel", K::FieldLabel, "GroupBox3", "", "Trcdw", 8, 148, 0, 0, kNoTabStop, F::Window, C::None},
    {"Trcdw", K::FieldList, "GroupBox3", "", "Trcdw", 96, 144, 81, 21, 4, F::Window, C::None},
    {"TrpLabel", K::FieldLabel, "GroupBox3", "", "Trp", 8, 172, 0, 0, kNoTabStop, F::Window, C::None},
    {"Trp", K::FieldList, "GroupBox3", "", "Trp", 96, 168, 81, 21, 5, F::Window, C::None},

    {"TdoeLabel", K::FieldLabel, "TimingGroupBox", "", "Tdoe", 8, 28, 0, 0, kNoTabStop, F::Window, C::None},
    {"Tdoe", K::FieldList, "TimingGroupBox", "", "Tdoe", 96, 24, 81, 21, 0, F::Window, C::None},
    {"TrrdLabel", K::FieldLabel, "TimingGroupBox", "", "Trrd", 8, 52, 0, 0, kNoTabStop, F::Window, C::None},
    {"Trrd", K::FieldList, "TimingGroupBox", "", "Trrd", 96, 48, 81, 21, 1, F::Window, C::None},
    {"Tw2pLabel", K::FieldLabel, "TimingGroupBox", "", "Tw2p", 8, 76, 0, 0, kNoTabStop, F::Window, C::None},
    {"Tw2p", K::FieldList, "TimingGroupBox", "", "Tw2p", 96, 72, 81, 21, 2, F::Window, C::None},
    {"Tw2rLabel", K::FieldLabel, "TimingGroupBox", "", "Tw2r", 8, 100, 0, 0, kNoTabStop, F::Window, C::None},
    {"Tw2r", K::FieldList, "TimingGroupBox", "", "Tw2r", 96, 96, 81, 21, 3, F::Window, C::None},
    {"TrextLabel", K::FieldLabel, "TimingGroupBox", "", "Trext", 8, 124, 0, 0, kNoTabStop, F::Window, C::None},
    {"Trext", K::FieldList, "TimingGroupBox", "", "Trext", 96, 120, 81, 21, 4, F::Window, C::None},
    {"Tr2pLabel", K::FieldLabel, "TimingGroupBox", "", "Tr2p", 8, 148, 0, 0, kNoTabStop, F::Window, C::None},
    {"Tr2p", K::FieldList, "TimingGroupBox", "", "Tr2p", 96, 144, 81, 21, 5, F::Window, C::None},
    {"Tr2wLabel", K::FieldLabel, "TimingGroupBox", "", "Tr2w", 8, 172, 0, 0, kNoTabStop, F::Window, C::None},
    {"Tr2w", K::FieldList, "TimingGroupBox", "", "Tr2w", 96, 168, 81, 21, 6, F::Window, C::None},

    {"AGPControllerLatencyLabel", K::FieldLabel, "GroupBox2", "", "AGPControllerLatency", 8, 28, 0, 0, kNoTabStop, F::Window, C::None},
    {"AGPControllerLatency", K::FieldList, "GroupBox2", "", "AGPControllerLatency", 128, 24, 81, 21, 0, F::Window, C::None},
    {"AGPBusLatencyLabel", K::FieldLabel, "GroupBox2", "", "AGPBusLatency", 8, 52, 0, 0, kNoTabStop, F::Window, C::None},
    {"AGPBusLatency", K::FieldList, "GroupBox2", "", "AGPBusLatency", 128, 48, 81, 21, 1, F::Window, C::None},
    {"PCIBusLatencyLabel", K::FieldLabel, "GroupBox2", "", "PCILatency", 8, 76, 0, 0, kNoTabStop, F::Window, C::None},
    {"PCIBusLatency", K::FieldList, "GroupBox2", "", "PCILatency", 128, 72, 81, 21, 2, F::Window, C::None},
    // The clocks and timings, right of the latency lists (ui/timing_panel.cpp).
    {"MemoryClockLabel", K::PanelLabel, "GroupBox2", "", "", 216, 16, 156, 14, kNoTabStop, F::Window, C::None},
    {"FsbLabel", K::PanelLabel, "GroupBox2", "", "", 216, 31, 156, 14, kNoTabStop, F::Window, C::None},
    {"ClockRatioLabel", K::PanelLabel, "GroupBox2", "", "", 216, 46, 156, 14, kNoTabStop, F::Window, C::None},
    {"CasLatencyLabel", K::PanelLabel, "GroupBox2", "", "", 216, 61, 156, 14, kNoTabStop, F::Window, C::None},
    {"ClockSourceLabel", K::PanelLabel, "GroupBox2", "", "", 216, 76, 156, 14, kNoTabStop, F::Window, C::None},
    {"TimingWarningsLabel", K::PanelLabel, "GroupBox2", "", "", 216, 91, 156, 14, kNoTabStop, F::Window, C::None},

    {"RefreshButton", K::Button, "GroupBox1", "Refresh", "", 11, 24, 75, 25, 0, F::Window, C::Refresh},
    {"SetRegistersButton", K::Button, "GroupBox1", "Set", "", 91, 24, 75, 25, 1, F::Window, C::SetRegisters},
    {"Label2", K::InfoLabel, "GroupBox1", "Quillon, a chipset tuning tool", "", 200, 8, 0, 0, kNoTabStop, F::Window, C::None},
    {"Label4", K::InfoLabel, "GroupBox1", "July 2004", "", 248, 24, 0, 0, kNoTabStop, F::Window, C::None},
    {"Label3", K::InfoLabel, "GroupBox1", "quillon.example", "", 184, 40, 185, 20, kNoTabStop, F::SiteName, C::None},
};

const size_t kFormControlCount = sizeof(kFormControls) / sizeof(kFormControls[0]);

const ControlDescription* FindControl(const char* name) {
    for (const ControlDescription& control : kFormControls)
        if (std::strcmp(control.name, name) == 0) return &control;
    return nullptr;
}

int ClientLeft(const ControlDescription& control) {
    const ControlDescription* parent = FindControl(control.parent);
    return control.left + (parent ? ClientLeft(*parent) : 0);
}

int ClientTop(const ControlDescription& control) {
    const ControlDescription* parent = FindControl(control.parent);
    return control.top + (parent ? ClientTop(*parent) : 0);
}

const RegisterField* ShownField(const ControlDescription& control) {
    if (control.field[0] == '\0') return nullptr;
    for (const RegisterField& field : FieldCatalogue)
        if (std::strcmp(field.Key, control.field) == 0) return &field;
    return nullptr;
}

namespace {

// Tab stops first, in their tab order.
bool GoesBefore(const ControlDescription& a, const ControlDescription& b) {
    const bool aStops = a.tabOrder != kNoTabStop;
    const bool bStops = b.tabOrder != kNoTabStop;
    if (aStops != bStops) return aStops;
    return aStops && a.tabOrder < b.tabOrder;
}

// Tab stops in their tab order, then the rest in table order. Each control is put
// after every one it does not go before: a group holds a handful of controls, and
// std::stable_sort would bring its whole merging machinery along.
std::vector<const ControlDescription*> ChildrenOf(const char* parent) {
    std::vector<const ControlDescription*> children;
    for (const ControlDescription& control : kFormControls) {
        if (std::strcmp(control.parent, parent) != 0) continue;
        auto place = children.end();
        while (place != children.begin() && GoesBefore(control, **(place - 1))) --place;
        children.insert(place, &control);
    }
    return children;
}

}  // namespace

std::vector<const ControlDescription*> CreationOrder() {
    std::vector<const ControlDescription*> order;
    for (const ControlDescription* groupBox : ChildrenOf("")) {
        order.push_back(groupBox);
        for (const ControlDescription* child : ChildrenOf(groupBox->name)) order.push_back(child);
    }
    return order;
}

namespace {

const MenuItemDescription kFileMenuItems[] = {
    {"Save1", "Save ...", C::Save},
    {"Restore1", "Load ...", C::Restore},
    {"BootValues1", "Boot Values", C::LoadBootValues},
    {"CopyAsText1", "Copy as Text", C::CopyAsText},
    {"N2", "", C::None},
    {"Setstartup1", "Apply Settings at Startup", C::ApplyStartupSettings},
    {"Removestartupsettings1", "Remove Startup settings", C::RemoveStartupSettings},
    {"N1", "", C::None},
    {"Exit1", "Exit", C::Exit},
};

}  // namespace

const MenuDescription kMainMenu[] = {
    {"File1", "File", kFileMenuItems, sizeof(kFileMenuItems) / sizeof(kFileMenuItems[0])},
};

const size_t kMainMenuCount = sizeof(kMainMenu) / sizeof(kMainMenu[0]);
