#include "model/timing_text.h"

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "model/machine_profile.h"

namespace {

const char kLineEnd[] = "\r\n";

// "166.2 MHz"
std::string MHzText(uint32_t kHz) { return Concat({TenthsText((kHz + 50) / 100), " MHz"}); }

// DDR moves data on both edges of the clock.
std::string DataRateText(uint32_t memoryKHz) { return Concat({"DDR ", DecimalText((2 * memoryKHz + 500) / 1000)}); }

uint32_t CommonDivisor(uint32_t a, uint32_t b) {
    while (b != 0) {
        const uint32_t rest = a % b;
        a = b;
        b = rest;
    }
    return a;
}

std::string RatioText(const ClockFigures& clocks) {
    if (clocks.ratioM == 0) return kUnknownFigure;
    const uint32_t divisor = CommonDivisor(clocks.ratioN, clocks.ratioM);
    return Concat({DecimalText(clocks.ratioN / divisor), ":", DecimalText(clocks.ratioM / divisor)});
}

std::string CasText(uint32_t halfClocks) {
    if (halfClocks == 0) return kUnknownFigure;
    return halfClocks % 2 == 0 ? DecimalText(halfClocks / 2) : Concat({DecimalText(halfClocks / 2), ".5"});
}

std::string MemoryText(const ClockFigures& clocks) {
    if (clocks.memoryKHz == 0) return kUnknownFigure;
    return Concat({MHzText(clocks.memoryKHz), ", ", DataRateText(clocks.memoryKHz)});
}

std::string FsbText(const ClockFigures& clocks) {
    return clocks.fsbKHz == 0 ? std::string(kUnknownFigure) : MHzText(clocks.fsbKHz);
}

// Where the memory clock shown comes from, said where it is not simply the live one.
std::string SourceText(const ClockFigures& clocks) {
    if (clocks.memoryKHz == 0) return std::string();
    if (!clocks.memoryLive) return "As set at boot";
    if (clocks.changedSinceBoot) return Concat({"Was ", MHzText(clocks.bootMemoryKHz), " at boot"});
    return std::string();
}

std::string JoinedWarnings(const FieldTiming& timing) {
    std::string text;
    for (const std::string& warning : timing.warnings) text += text.empty() ? warning : "; " + warning;
    return text;
}

std::string CountText(const FieldTiming& timing) {
    const FieldChoice* choice = FindChoice(*timing.field);
    if (timing.plainCount || choice == &NoChoice) return DecimalText(timing.count);
    return ChoiceDisplayLabel(*timing.field, *choice);
}

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string ReportLine(const FieldTiming& timing) {
    std::string line = Concat({Padded(timing.field->Name, 24), Padded(CountText(timing), 8)});
    if (timing.nsKnown) line += Padded(Concat({TenthsText(timing.tenthsOfNs), " ns"}), 10);
    if (!timing.warnings.empty()) line += Concat({"warning: ", JoinedWarnings(timing)});
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

}  // namespace

PanelLines PanelText(const ClockFigures& clocks, const std::vector<FieldTiming>& timings) {
    PanelLines lines;
    lines.memory = Concat({"Memory: ", MemoryText(clocks)});
    lines.fsb = Concat({"FSB: ", FsbText(clocks)});
    lines.ratio = Concat({"Memory:FSB ratio ", RatioText(clocks)});
    lines.cas = Concat({"CAS latency: ", CasText(clocks.casHalfClocks)});
    lines.source = SourceText(clocks);
    std::string names;
    for (const FieldTiming& timing : timings)
        if (!timing.warnings.empty()) names += Concat({names.empty() ? "" : ", ", timing.field->Name});
    lines.warnings = names.empty() ? "No warnings" : Concat({"Warnings: ", names});
    return lines;
}

std::string FieldTooltip(const FieldTiming& timing, const ClockFigures& clocks) {
    std::string text = Concat({timing.field->Name, ": ", CountText(timing)});
    if (!timing.plainCount) return text;
    text += timing.count == 1 ? " clock" : " clocks";
    if (!timing.nsKnown) return Concat({text, ", memory clock ", kUnknownFigure});
    text += Concat({" = ", TenthsText(timing.tenthsOfNs), " ns at ", MHzText(clocks.memoryKHz)});
    for (const std::string& warning : timing.warnings) text += Concat({"\r\nWarning: ", warning});
    return text;
}

std::vector<std::string> WarningLines(const std::vector<FieldTiming>& timings) {
    std::vector<std::string> lines;
    for (const FieldTiming& timing : timings)
        for (const std::string& warning : timing.warnings)
            lines.push_back(Concat({timing.field->Name, " ", DecimalText(timing.count), ": ", warning}));
    return lines;
}

std::string MachineIdentityText() {
    std::string text;
    for (const MachineKey& key : ThisMachineProfile()) {
        if (key.value.empty()) continue;
        text += Concat({text.empty() ? "" : ", ", key.key, " ", key.value});
    }
    return text.empty() ? std::string(kUnknownFigure) : text;
}

std::string TimingReport(const std::string& program, const ClockFigures& clocks,
                         const std::vector<FieldTiming>& timings) {
    const PanelLines panel = PanelText(clocks, timings);
    std::string report = Concat({program, ", DRAM timings", kLineEnd, "Machine: ", MachineIdentityText(), kLineEnd,
                                 panel.memory, kLineEnd, panel.fsb, kLineEnd, panel.ratio, kLineEnd, panel.cas,
                                 kLineEnd});
    if (!panel.source.empty()) report += Concat({panel.source, kLineEnd});
    report += kLineEnd;
    for (const FieldTiming& timing : timings) report += Concat({ReportLine(timing), kLineEnd});
    return report;
}
