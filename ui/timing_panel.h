// The clocks and timings the window shows beside its lists: the panel in the free part
// of "PCI/AGP Timings" and the tooltips of the DRAM lists. Both follow the register
// cache and the clock registers last read; nothing here reads or writes the hardware.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "hw/clock_registers.h"
#include "ui/form_builder.h"
#include "ui/tooltips.h"

class TimingPanel {
public:
    // Finds the panel's lines in the built window and makes the tooltips.
    void Setup(HWND window);
    // Shows the clocks read and the timings the cache holds, in the panel and the tooltips.
    void Show(const ClockRegisters& clocks);
    // Says nothing is known: the window has no chipset behind it.
    void ShowNothing();
    // The warnings of the timings the cache holds, one a line.
    std::vector<std::string> Warnings(const ClockRegisters& clocks) const;
    // The plain-text report of the clocks and timings.
    std::string Report(const ClockRegisters& clocks) const;
    // The tooltip over a control, for the tests.
    std::string TooltipOf(HWND control) const { return tooltips_.Text(control); }

private:
    void SetLine(size_t line, const std::string& text);

    HWND window_ = nullptr;
    std::vector<HWND> lines_;  // in the order of PanelLines
    Tooltips tooltips_;
    bool hasTooltips_ = false;
};
