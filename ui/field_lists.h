// The main window's seventeen field rows: each list bound to its catalogue field, filled
// with the field's choices and kept showing what the register cache holds.
#pragma once
#include <windows.h>

#include <vector>

#include "model/field_catalogue.h"
#include "ui/form_builder.h"

class FieldLists {
public:
    // Binds every field of the catalogue to its caption and list in the built window,
    // fills the lists and fits their texts. Throws when a field has no row.
    void Setup(HWND window, const FormFonts& fonts);

    // Selects in every list the choice whose value the cache holds, "UNKNOWN" where
    // none does. The list of a field whose register is absent is disabled, with no
    // choice selected and "absent" as its text.
    void RefreshAll();

    // Empties and disables every list: there is no chipset to show.
    void EmptyAll();

    // Puts "UNKNOWN" in a list's text field.
    void ShowUnknown(HWND list);

    // True while the program itself changes a list: a change notification then is not
    // the user's.
    bool UpdatingFromProgram() const { return updating_; }

    // The field a list is bound to, or nullptr.
    static const RegisterField* BoundField(HWND list);
    // The choice selected in a list, or nullptr when none is.
    static const FieldChoice* PickedChoice(HWND list);

private:
    // A field's row in the window: its caption, its list and the field it shows.
    struct FieldRow {
        HWND label;
        HWND list;
        const RegisterField* field;
    };

    std::vector<FieldRow> FindRows(HWND window) const;
    void SetupFieldList(HWND label, HWND list, const RegisterField& field, const FormFonts& fonts);
    void FitListTexts(HFONT font);
    void SelectCurrentChoice(HWND list, const RegisterField& field);

    std::vector<FieldRow> rows_;  // catalogue order
    bool updating_ = false;
};
