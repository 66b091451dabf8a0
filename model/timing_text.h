// The texts of the clocks and timings: the lines of the window's panel, the lists'
// tooltips, the plain-text report for the clipboard and the lines of the write log.
#pragma once
#include <string>

#include "model/memory_timings.h"

constexpr char kUnknownFigure[] = "unknown";

// The panel, one text a line: the memory clock and data rate, the FSB, the memory:FSB
// ratio, the CAS latency, where the memory clock comes from, the warnings.
struct PanelLines {
    std::string memory;
    std::string fsb;
    std::string ratio;
    std::string cas;
    std::string source;
    std::string warnings;
};

PanelLines PanelText(const TimingFigures& figures);

// The tooltip of a field's list: its count, and for a count of clocks its length at the
// memory clock and its warnings.
std::string FieldTooltip(const FieldTiming& timing, const TimingFigures& figures);

// Every warning, each naming its field, each line ended by CR LF.
std::string WarningLines(const TimingFigures& figures);

// The machine as the identities read at start name it: its [Machine] keys and values.
std::string MachineIdentityText();

// The report a user posts: the program, the machine, the clocks, the CAS latency and
// each field with its count, nanoseconds and warnings. Lines end in CR LF.
std::string TimingReport(const std::string& program, const TimingFigures& figures);
