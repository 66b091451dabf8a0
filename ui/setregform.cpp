#include "ui/register_form.h"

#include "hw/concat.h"

#include <string>

#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "model/settings.h"
#include "model/write_report.h"
#include "ui/clipboard.h"
#include "ui/messages.h"

void TSetRegisterForm::Build() {
    fonts_.window = CreateFormFont(kWindowFont, dpi_);
    fonts_.siteName = CreateFormFont(kSiteNameFont, dpi_);
    CreateFormControls(window_, fonts_, dpi_);
    lists_.Setup(window_, fonts_);
    panel_.Setup(window_);
    if (machine_ == MachineState::Identified) {
        ReadChipset();
        if (services_.registersFirstRead != nullptr) services_.registersFirstRead();
        ShowAll();
    } else {
        lists_.EmptyAll();
        panel_.ShowNothing();
    }
    EnableSetButton(false);
}

// The clocks are read where the registers are, and only here: no apply of a file ever
// reads them, and nothing ever writes them.
void TSetRegisterForm::ReadChipset() {
    const PortsHeld held;
    ReadAllRegisters();
    clocks_ = ReadClockRegisters();
}

void TSetRegisterForm::ShowAll() {
    lists_.RefreshAll();
    panel_.Show(clocks_);
}

// A pick applies the picked choice; text typed with the list closed selects nothing
// and is never read as a value: it is replaced by what the cache holds.
void TSetRegisterForm::FieldListChange(HWND list) {
    if (lists_.UpdatingFromProgram()) return;
    const RegisterField* field = FieldLists::BoundField(list);
    if (field == nullptr) return;
    if (const FieldChoice* choice = FieldLists::PickedChoice(list)) {
        SetFieldValue(*field, static_cast<uint32_t>(choice->Value));
        EnableSetButton(true);
    } else {
        lists_.ShowUnknown(list);
    }
    ShowAll();
}

void TSetRegisterForm::RunCommand(FormCommand command) {
    // Whatever sends it: a disabled command does nothing.
    if (!CommandAvailable(command)) return;
    switch (command) {
        case FormCommand::Refresh: RefreshButtonClick(); break;
        case FormCommand::SetRegisters: SetRegistersButtonClick(); break;
        case FormCommand::Save: SaveClick(); break;
        case FormCommand::Restore: RestoreClick(); break;
        case FormCommand::LoadBootValues: LoadBootValuesClick(); break;
        case FormCommand::CopyAsText: CopyAsTextClick(); break;
        case FormCommand::ApplyStartupSettings: ApplyStartupSettingsClick(); break;
        case FormCommand::RemoveStartupSettings: RemoveStartupSettingsClick(); break;
        case FormCommand::Exit: Exit1Click(); break;
        case FormCommand::None: break;
    }
}

void TSetRegisterForm::RefreshButtonClick() {
    ReadChipset();
    ShowAll();
}

// Said when Set finds the chipset changed since the lists showed it.
const char kChangedElsewhereText[] =
    "The chipset's registers were changed (by another Quillon or a settings file applied) "
    "since this window showed them. Nothing was written: the lists now show what the "
    "chipset holds. Pick again and press Set.";

// Set never overwrites a change it has not shown: under the same hold as the write, the
// chipset is read again first, and when it no longer holds what the lists were made
// from, nothing is written and the present values are shown instead. What the chipset
// refused is said once the lists show what it kept. What was wrong with the timings is
// only told: the write log keeps the warnings of the values written.
void TSetRegisterForm::SetRegistersButtonClick() {
    RegisterWrite write{};
    const std::string warnings = panel_.Warnings();
    bool changedElsewhere = false;
    {
        const PortsHeld held;
        changedElsewhere = !RegistersAsLastRead();
        if (changedElsewhere)
            ReadAllRegisters();
        else
            write = WriteAllRegistersNoted();
    }
    write.warnings = warnings;
    ShowAll();
    EnableSetButton(false);
    if (changedElsewhere) return ShowProgramMessage(kChangedElsewhereText, kApplicationTitle);
    if (services_.registersWritten != nullptr) services_.registersWritten(write);
    const std::string refused = RefusedFieldsText(write);
    if (!refused.empty()) ShowProgramMessage(refused, kApplicationTitle);
}

void TSetRegisterForm::SaveClick() {
    if (!openDialog_.Execute(window_, FileCommand::Save)) return;
    const std::string path = openDialog_.FileName();
    if (!services_.saveSettings(path.c_str()))
        ShowProgramMessage(Concat({"There was an error saving to file \"", path, "\"."}), "Save Error");
}

void TSetRegisterForm::RestoreClick() {
    if (!openDialog_.Execute(window_, FileCommand::Load)) return;
    LoadIntoLists(openDialog_.FileName());
}

// The snapshot of the boot is loaded as Load loads a file: into the lists, for Set.
void TSetRegisterForm::LoadBootValuesClick() {
    const std::string path = services_.bootSnapshot != nullptr ? services_.bootSnapshot() : std::string();
    if (!path.empty()) LoadIntoLists(path);
}

void TSetRegisterForm::LoadIntoLists(const std::string& path) {
    // A tuning made on another chipset or board is loaded only when the user says so.
    const std::string differences = MachineDifferencesOfFile(path.c_str());
    if (!differences.empty() && !AskProgramQuestion(OtherMachineQuestion(path, differences))) return;
    if (!services_.loadSettings(path.c_str()))
        ShowProgramMessage(Concat({"There was an error loading from file \"", path,
                                   "\".\nSome values may not have been loaded."}),
                           "Load Error");
    ShowAll();
    EnableSetButton(true);
}

// Nothing is read for the report: it tells what the window shows.
void TSetRegisterForm::CopyAsTextClick() {
    if (!PutTextOnClipboard(window_, panel_.Report()))
        ShowProgramMessage("The report could not be put on the clipboard: another program holds it. "
                           "Try again in a moment.",
                           kApplicationTitle);
}

void TSetRegisterForm::ApplyStartupSettingsClick() { services_.applyStartupSettings(); }

void TSetRegisterForm::RemoveStartupSettingsClick() { services_.removeStartupSettings(); }

void TSetRegisterForm::Exit1Click() { SendMessageA(window_, WM_CLOSE, 0, 0); }

void TSetRegisterForm::EnableSetButton(bool enable) {
    setPending_ = enable;
    UpdateCommandStates();
}

// On a refused machine only what touches no chipset: the Run value and the window.
bool TSetRegisterForm::CommandAvailable(FormCommand command) const {
    switch (command) {
        case FormCommand::RemoveStartupSettings:
        case FormCommand::Exit:
        case FormCommand::None:
            return true;
        case FormCommand::SetRegisters:
            return machine_ == MachineState::Identified && setPending_;
        case FormCommand::LoadBootValues:
            return machine_ == MachineState::Identified && services_.bootSnapshot != nullptr &&
                   !services_.bootSnapshot().empty();
        default:
            return machine_ == MachineState::Identified;
    }
}

// The one place that decides which buttons and menu items are enabled; each change of
// what they depend on (the machine, pending picks) recomputes them all.
void TSetRegisterForm::UpdateCommandStates() {
    for (size_t i = 0; i < kFormControlCount; ++i)
        if (kFormControls[i].kind == ControlKind::Button)
            EnableButton(ControlHandle(window_, kFormControls[i]), CommandAvailable(kFormControls[i].command));
    HMENU menu = GetMenu(window_);
    for (size_t m = 0; m < kMainMenuCount; ++m)
        for (size_t i = 0; i < kMainMenu[m].itemCount; ++i) {
            const MenuItemDescription& item = kMainMenu[m].items[i];
            if (item.caption[0] == '\0') continue;  // a separator
            EnableMenuItem(GetSubMenu(menu, static_cast<int>(m)), static_cast<UINT>(MenuItemIdAt(m, i)),
                           MF_BYCOMMAND | (CommandAvailable(item.command) ? MF_ENABLED : MF_GRAYED));
        }
}

