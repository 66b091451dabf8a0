// The form description is data the window walks blindly: a typo in a parent's name or
// a field key would leave a control silently uncreated, so the table is checked here.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "ui/form_layout.h"

namespace {

bool IsFieldControl(const ControlDescription& control) {
    return control.kind == ControlKind::FieldLabel || control.kind == ControlKind::FieldList;
}

TEST(FormDescription, NamesAreUniqueAndEveryParentIsAGroupBox) {
    std::set<std::string> names;
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        EXPECT_TRUE(names.insert(control.name).second) << "duplicate name " << control.name;
        EXPECT_EQ(FindControl(control.name), &control);
        if (control.kind == ControlKind::GroupBox) {
            EXPECT_STREQ(control.parent, "") << control.name;
            continue;
        }
        const ControlDescription* parent = FindControl(control.parent);
        ASSERT_NE(parent, nullptr) << control.name << " names a missing parent " << control.parent;
        EXPECT_EQ(parent->kind, ControlKind::GroupBox) << control.name;
    }
}

TEST(FormDescription, EveryFieldHasOneCaptionAndOneListInTheSameGroup) {
    for (const RegisterField& field : FieldCatalogue) {
        const ControlDescription* label = nullptr;
        const ControlDescription* list = nullptr;
        for (size_t i = 0; i < kFormControlCount; ++i) {
            const ControlDescription& control = kFormControls[i];
            if (ShownField(control) != &field) continue;
            const ControlDescription*& slot = control.kind == ControlKind::FieldLabel ? label : list;
            EXPECT_EQ(slot, nullptr) << field.Key << " has two controls of one kind";
            slot = &control;
        }
        ASSERT_NE(label, nullptr) << field.Key << " has no caption";
        ASSERT_NE(list, nullptr) << field.Key << " has no list";
        EXPECT_STREQ(label->parent, list->parent) << field.Key;
        EXPECT_EQ(std::string(list->name) + "Label", label->name);
    }
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        if (IsFieldControl(control))
            EXPECT_NE(ShownField(control), nullptr) << control.name << " names an unknown field " << control.field;
        else
            EXPECT_STREQ(control.field, "") << control.name;
    }
}

TEST(FormDescription, CreationOrderCoversEveryControlOnceParentsFirst) {
    std::map<const ControlDescription*, size_t> position;
    const auto order = CreationOrder();
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_TRUE(position.emplace(order[i], i).second) << order[i]->name << " created twice";
    EXPECT_EQ(order.size(), kFormControlCount);
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        ASSERT_EQ(position.count(&control), 1u) << control.name << " is never created";
        if (const ControlDescription* parent = FindControl(control.parent))
            EXPECT_LT(position[parent], position[&control]) << control.name;
    }
}

TEST(FormDescription, TabStopsAreDistinctWithinTheirGroupAndButtonsHaveCommands) {
    std::set<std::pair<std::string, int>> stops;
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        if (control.tabOrder != kNoTabStop)
            EXPECT_TRUE(stops.emplace(control.parent, control.tabOrder).second)
                << control.name << " shares tab order " << control.tabOrder;
        const bool takesFocus = control.kind == ControlKind::FieldList || control.kind == ControlKind::Button;
        if (takesFocus && control.parent[0] != '\0') EXPECT_NE(control.tabOrder, kNoTabStop) << control.name;
        EXPECT_EQ(control.kind == ControlKind::Button, control.command != FormCommand::None) << control.name;
    }
}

TEST(FormDescription, ControlsLieInsideTheirGroupAndGroupsInsideTheClientArea) {
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        const ControlDescription* parent = FindControl(control.parent);
        const int width = parent ? parent->width : kMainForm.clientWidth;
        const int height = parent ? parent->height : kMainForm.clientHeight;
        EXPECT_GE(control.left, 0) << control.name;
        EXPECT_GE(control.top, 0) << control.name;
        EXPECT_LE(control.left + control.width, width) << control.name;
        EXPECT_LE(control.top + control.height, height) << control.name;
    }
}

TEST(FormDescription, MenuItemsHaveCommandsAndSeparatorsHaveNone) {
    for (size_t m = 0; m < kMainMenuCount; ++m) {
        for (size_t i = 0; i < kMainMenu[m].itemCount; ++i) {
            const MenuItemDescription& item = kMainMenu[m].items[i];
            EXPECT_EQ(item.caption[0] == '\0', item.command == FormCommand::None) << item.name;
        }
    }
}

}  // namespace
