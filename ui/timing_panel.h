// The clocks and timings the window shows beside its lists: the panel in the free part
// of "PCI/AGP Timings" and the tooltips of the DRAM lists. Both follow the register
// cache and the clock registers last read; nothing here reads or writes the hardware.
#pragma once
#include <windows.h>

#include <array>
#include <string>

#include "hw/clock_registers.h"
#include "ui/tooltips.h"

class TimingPanel {
public:
    // Finds the panel's lines in the built window.
    void Setup(HWND window);
    // Shows the clocks read and the timings the cache holds, in the panel and the tooltips.
    void Show(const ClockRegisters& clocks);
    // Says nothing is known: the window has no chipset behind it.
    void ShowNothing();
    // Makes the tooltips, once the mouse first comes over a control: nobody sees them
    // before, and loading the library that has them would delay the window's opening.
    void MakeTooltips();
    // The warnings of the timings shown, a line each, each ended by CR LF.
    std::string Warnings() const;
    // The plain-text report of the clocks and timings shown.
    std::string Report() const;

private:
    void SetLine(size_t line, const std::string& text);
    void ShowTooltips();

    HWND window_ = nullptr;
    std::array<HWND, 6> lines_{};  // in the order of PanelLines
    ClockRegisters clocks_;
    bool shown_ = false;       // Show was called: there are figures to tell
    bool tooltipsMade_ = false;
    Tooltips tooltips_;
};
