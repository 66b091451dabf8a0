#include "ui/form_scale.h"

#include <climits>
#include <cstdint>

int MulDivRounded(int value, int numerator, int denominator) {
    if (denominator == 0) return -1;
    int64_t product = static_cast<int64_t>(value) * numerator;
    int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const int64_t half = divisor / 2;
    const int64_t result = (product >= 0 ? product + half : product - half) / divisor;
    if (result > INT_MAX || result < -INT_MAX) return -1;
    return static_cast<int>(result);
}

int ScaleToDpi(int length, int dpi) { return MulDivRounded(length, dpi, kDesignDpi); }

ScaledBounds ScaledClientBounds(const ControlDescription& control, int dpi) {
    ScaledBounds bounds = {ScaleToDpi(control.left, dpi), ScaleToDpi(control.top, dpi),
                           ScaleToDpi(control.width, dpi), ScaleToDpi(control.height, dpi)};
    for (const ControlDescription* parent = FindControl(control.parent); parent != nullptr;
         parent = FindControl(parent->parent)) {
        bounds.left += ScaleToDpi(parent->left, dpi);
        bounds.top += ScaleToDpi(parent->top, dpi);
    }
    return bounds;
}

int DropDownListHeight(int selectionFieldHeight, int itemHeight, size_t rows, int dropDownBorders) {
    const int shown = rows < 1 ? 1 : static_cast<int>(rows);
    return selectionFieldHeight + shown * itemHeight + dropDownBorders;
}
