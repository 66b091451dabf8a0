// The main window described as data: its controls (name, kind, parent, caption,
// position, size, tab order), its fonts and its menu. The window code walks these
// tables and holds no layout of its own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/field_catalogue.h"

struct FormDescription {
    const char* className;
    const char* caption;
    int clientWidth;
    int clientHeight;
};

extern const FormDescription kMainForm;

constexpr int32_t kWindowTextColour = -1;

struct FontDescription {
    const char* face;
    int characterHeight;  // pixels at 96 dpi, internal leading not counted
    bool fixedPitch;
    int32_t colour;       // 0x00BBGGRR, or kWindowTextColour
    const char* fallbackFace;  // taken where the system lacks `face`; "" for none
};

extern const FontDescription kWindowFont;
extern const FontDescription kSiteNameFont;

// What a button or menu item does.
enum class FormCommand {
    None,
    Refresh,
    SetRegisters,
    Save,
    Restore,
    LoadBootValues,
    CopyAsText,
    ApplyStartupSettings,
    RemoveStartupSettings,
    Exit,
};

enum class ControlKind {
    GroupBox,
    FieldLabel,  // caption of a field's list, set from the field's name
    FieldList,   // editable drop-down list of a field's choices
    Button,
    InfoLabel,
    PanelLabel,  // a line of the clocks and timings panel, its text set by the window
};

enum class ControlFont { Window, SiteName };

constexpr int kNoTabStop = -1;

struct ControlDescription {
    const char* name;
    ControlKind kind;
    const char* parent;   // the group box that holds it; "" for a group box itself
    const char* caption;  // field labels and lists take their text from the field
    const char* field;    // field labels and lists: Key of the catalogue field; else ""
    int left;             // relative to the parent (a group box's to the client area)
    int top;
    int width;            // 0 x 0: sized to the caption's text
    int height;
    int tabOrder;         // among the parent's controls, or kNoTabStop
    ControlFont font;
    FormCommand command;  // buttons only
};

extern const ControlDescription kFormControls[];
extern const size_t kFormControlCount;

// The control of that name, or nullptr.
const ControlDescription* FindControl(const char* name);
// Where the control lies in the client area.
int ClientLeft(const ControlDescription& control);
int ClientTop(const ControlDescription& control);
// The catalogue field a field label or list shows, or nullptr for other controls.
const RegisterField* ShownField(const ControlDescription& control);

// The order in which the controls are created, which is also the keyboard order:
// the group boxes by their tab order, each followed by its own controls by theirs;
// controls without a tab stop follow those of their group box in table order.
std::vector<const ControlDescription*> CreationOrder();

struct MenuItemDescription {
    const char* name;
    const char* caption;  // stored without an access-key mark; "" for a separator
    FormCommand command;
};

struct MenuDescription {
    const char* name;
    const char* caption;
    const MenuItemDescription* items;
    size_t itemCount;
};

// The menu bar, left to right.
extern const MenuDescription kMainMenu[];
extern const size_t kMainMenuCount;
