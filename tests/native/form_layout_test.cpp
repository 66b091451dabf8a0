#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "ui/form_layout.h"

namespace {

bool Inside(const ControlDescription& control, const ControlDescription& box) {
    const int width = control.width ? control.width : 1;
    const int height = control.height ? control.height : 1;
    return control.left >= 0 && control.top >= 0 && control.left + width <= box.width &&
           control.top + height <= box.height;
}

TEST(FormLayout, EveryFieldHasOneListAndOneLabelBesideIt) {
    for (const RegisterField& field : FieldCatalogue) {
        const ControlDescription* list = nullptr;
        const ControlDescription* label = nullptr;
        for (size_t i = 0; i < kFormControlCount; ++i) {
            const ControlDescription& control = kFormControls[i];
            if (ShownField(control) != &field) continue;
            const ControlDescription*& slot = control.kind == ControlKind::FieldList ? list : label;
            EXPECT_EQ(slot, nullptr) << field.Key << " shown twice";
            slot = &control;
        }
        ASSERT_NE(list, nullptr) << field.Key;
        ASSERT_NE(label, nullptr) << field.Key;
        EXPECT_EQ(label->kind, ControlKind::FieldLabel);
        EXPECT_EQ(std::string(label->name), std::string(list->name) + "Label");
        EXPECT_STREQ(label->parent, list->parent);
        EXPECT_EQ(label->left, 8);
        EXPECT_EQ(label->top, list->top + 4) << label->name;
        EXPECT_EQ(list->width, 81);
        EXPECT_EQ(list->height, 21);
    }
}

TEST(FormLayout, ControlsHaveUniqueNamesAndLieInsideTheirGroupBoxes) {
    std::set<std::string> names;
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        EXPECT_TRUE(names.insert(control.name).second) << control.name;
        if (control.kind == ControlKind::GroupBox) {
            EXPECT_STREQ(control.parent, "");
            EXPECT_LE(control.left + control.width, kMainForm.clientWidth) << control.name;
            EXPECT_LE(control.top + control.height, kMainForm.clientHeight) << control.name;
            continue;
        }
        const ControlDescription* box = FindControl(control.parent);
        ASSERT_NE(box, nullptr) << control.name;
        EXPECT_EQ(box->kind, ControlKind::GroupBox) << control.name;
        EXPECT_TRUE(Inside(control, *box)) << control.name;
        EXPECT_EQ(control.field[0] != '\0', ShownField(control) != nullptr) << control.name;
    }
}

}  // namespace
