// The form description is drawn at 96 dpi. At another system DPI the window scales it
// as the classic form designers did: every position, size and font height times
// dpi/96, rounded as Windows' MulDiv rounds.
#pragma once
#include <cstddef>

#include "ui/form_layout.h"

constexpr int kDesignDpi = 96;

// value * numerator / denominator, rounded to the nearest whole number with halves
// away from zero, as MulDiv does; -1 when the denominator is 0 or the result does not
// fit in an int.
int MulDivRounded(int value, int numerator, int denominator);

// A length of the form description at the given system DPI.
int ScaleToDpi(int length, int dpi);

struct ScaledBounds {
    int left;
    int top;
    int width;
    int height;
};

// Where the control lies in the client area at the given DPI: its own position and
// those of the group boxes that hold it, each scaled, and its scaled size.
ScaledBounds ScaledClientBounds(const ControlDescription& control, int dpi);

// The height a drop-down list is given so that its drop-down shows `rows` entries
// (at least one) without scrolling: the selection field, the rows and the drop-down's
// frame, all as the list really has them.
int DropDownListHeight(int selectionFieldHeight, int itemHeight, size_t rows, int dropDownBorders);
