#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "ui/form_layout.h"
#include "ui/form_scale.h"

namespace {

TEST(FormScale, RoundsAsMulDivDoes) {
    EXPECT_EQ(MulDivRounded(21, 120, 96), 26);   // 26.25
    EXPECT_EQ(MulDivRounded(11, 120, 96), 14);   // 13.75
    EXPECT_EQ(MulDivRounded(21, 144, 96), 32);   // 31.5: halves go up
    EXPECT_EQ(MulDivRounded(-21, 144, 96), -32); // and away from zero below it
    EXPECT_EQ(MulDivRounded(21, -144, 96), -32);
    EXPECT_EQ(MulDivRounded(21, 144, -96), -32);
    EXPECT_EQ(MulDivRounded(-21, -144, 96), 32);
    EXPECT_EQ(MulDivRounded(5, 1, 3), 2);        // 1.67
    EXPECT_EQ(MulDivRounded(4, 1, 3), 1);        // 1.33
    EXPECT_EQ(MulDivRounded(0, 120, 96), 0);
}

TEST(FormScale, RefusesADivisionByZeroAndResultsBeyondAnInt) {
    EXPECT_EQ(MulDivRounded(21, 120, 0), -1);
    EXPECT_EQ(MulDivRounded(INT_MAX, INT_MAX, INT_MAX), INT_MAX);  // the product may be wider
    EXPECT_EQ(MulDivRounded(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDivRounded(INT_MIN, 1, 1), -1);
}

TEST(FormScale, At96DpiTheFormIsAsDrawn) {
    for (size_t i = 0; i < kFormControlCount; ++i) {
        const ControlDescription& control = kFormControls[i];
        const ScaledBounds bounds = ScaledClientBounds(control, kDesignDpi);
        EXPECT_EQ(std::vector<int>({bounds.left, bounds.top, bounds.width, bounds.height}),
                  std::vector<int>({ClientLeft(control), ClientTop(control), control.width, control.height}))
            << control.name;
    }
}

TEST(FormScale, ScalesEachLevelOfTheDescription) {
    const ScaledBounds tr2w = ScaledClientBounds(*FindControl("Tr2w"), 120);  // (96, 168) in (200, 0)
    EXPECT_EQ(std::vector<int>({tr2w.left, tr2w.top, tr2w.width, tr2w.height}),
              std::vector<int>({250 + 120, 210, 101, 26}));
    // (11, 24) in (8, 328): 11.46 and 8.33 each round down, where their sum would not.
    const ScaledBounds refresh = ScaledClientBounds(*FindControl("RefreshButton"), 100);
    EXPECT_EQ(refresh.left, 11 + 8);
    EXPECT_EQ(ScaledClientBounds(*FindControl("GroupBox2"), 144).top, 312);
}

TEST(FormScale, ScaledRowsNeverOverlap) {
    // Each list ends above the next one in its group box at every common DPI.
    for (int dpi : {96, 120, 144, 168, 192}) {
        for (size_t i = 0; i + 1 < kFormControlCount; ++i) {
            const ControlDescription& a = kFormControls[i];
            if (a.kind != ControlKind::FieldList) continue;
            for (size_t j = i + 1; j < kFormControlCount; ++j) {
                const ControlDescription& b = kFormControls[j];
                if (b.kind != ControlKind::FieldList || std::string(a.parent) != b.parent) continue;
                const ScaledBounds upper = ScaledClientBounds(a, dpi), lower = ScaledClientBounds(b, dpi);
                EXPECT_LT(upper.top + upper.height, lower.top) << a.name << " / " << b.name << " at " << dpi;
                break;
            }
        }
    }
}

TEST(FormScale, DropDownHeightCountsFieldRowsAndFrame) {
    EXPECT_EQ(DropDownListHeight(21, 13, 32, 2), 21 + 416 + 2);
    EXPECT_EQ(DropDownListHeight(26, 16, 2, 2), 26 + 32 + 2);
    EXPECT_EQ(DropDownListHeight(21, 13, 0, 2), 21 + 13 + 2);  // an empty list still opens one row
}

}  // namespace
