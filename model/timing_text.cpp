#include "model/timing_text.h"

#include "model/machine_profile.h"

namespace {

const char kLineEnd[] = "\r\n";

// A text put together piece by piece: one string grows, and no piece is a string of its
// own to be made and freed (the texts here are many short pieces).
class Text {
public:
    Text& operator<<(const char* piece) {
        text_ += piece;
        return *this;
    }
    Text& operator<<(const std::string& piece) {
        text_ += piece;
        return *this;
    }
    Text& Number(uint32_t value) {
        char digits[10];
        size_t count = 0;
        do digits[count++] = static_cast<char>('0' + value % 10);
        while ((value /= 10) != 0);
        while (count > 0) text_ += digits[--count];
        return *this;
    }
    Text& Tenths(uint32_t tenths) {
        Number(tenths / 10) << ".";
        return Number(tenths % 10);
    }
    Text& MHz(uint32_t kHz) { return Tenths((kHz + 50) / 100) << " MHz"; }
    // Blanks up to the width, from where the text stood before the last pieces.
    Text& PadFrom(size_t start, size_t width) {
        if (text_.size() < start + width) text_.append(start + width - text_.size(), ' ');
        return *this;
    }
    size_t Size() const { return text_.size(); }
    std::string& Str() { return text_; }

private:
    std::string text_;
};

uint32_t CommonDivisor(uint32_t a, uint32_t b) {
    while (b != 0) {
        const uint32_t rest = a % b;
        a = b;
        b = rest;
    }
    return a;
}

void AppendRatio(Text& text, const ClockFigures& clocks) {
    if (clocks.ratioM == 0) {
        text << kUnknownFigure;
        return;
    }
    const uint32_t divisor = CommonDivisor(clocks.ratioN, clocks.ratioM);
    text.Number(clocks.ratioN / divisor) << ":";
    text.Number(clocks.ratioM / divisor);
}

void AppendCas(Text& text, uint32_t halfClocks) {
    if (halfClocks == 0) {
        text << kUnknownFigure;
        return;
    }
    text.Number(halfClocks / 2) << (halfClocks % 2 == 0 ? "" : ".5");
}

// DDR moves data on both edges of the clock.
void AppendMemory(Text& text, const ClockFigures& clocks) {
    if (clocks.memoryKHz == 0) {
        text << kUnknownFigure;
        return;
    }
    text.MHz(clocks.memoryKHz) << ", DDR ";
    text.Number((2 * clocks.memoryKHz + 500) / 1000);
}

// Where the memory clock shown comes from, said where it is not simply the live one.
void AppendSource(Text& text, const ClockFigures& clocks) {
    if (clocks.memoryKHz == 0) return;
    if (!clocks.memoryLive) text << "As set at boot";
    else if (clocks.changedSinceBoot) (text << "Was ").MHz(clocks.bootMemoryKHz) << " at boot";
}

// Each warning of the timing, "; " between them.
void AppendWarnings(Text& text, const FieldTiming& timing, const SpeedGrade& grade) {
    if (timing.warnings & kBelowMinimum) {
        text.Tenths(timing.tenthsOfNs) << " ns, below " << grade.Name << "'s ";
        text.Number(timing.minimumNs) << " ns";
    }
    if (timing.warnings & (kBelowRasPlusRp | kBelowRowCycle)) {
        text << (timing.warnings & kBelowMinimum ? "; below " : "below ")
             << (timing.warnings & kBelowRasPlusRp ? "T(RAS) + T(RP) = " : "T(RC) = ");
        text.Number(timing.boundCount);
    }
}

void AppendCount(Text& text, const FieldTiming& timing) {
    const FieldChoice* choice = FindChoice(*timing.field);
    if (timing.plainCount || choice == &NoChoice)
        text.Number(timing.count);
    else
        text << ChoiceDisplayLabel(*timing.field, *choice);
}

std::string Line(void (*append)(Text&, const ClockFigures&), const char* caption, const ClockFigures& clocks) {
    Text text;
    text << caption;
    append(text, clocks);
    return std::move(text.Str());
}

void AppendFsb(Text& text, const ClockFigures& clocks) {
    if (clocks.fsbKHz == 0)
        text << kUnknownFigure;
    else
        text.MHz(clocks.fsbKHz);
}

void AppendCasOf(Text& text, const ClockFigures& clocks) { AppendCas(text, clocks.casHalfClocks); }

void AppendReportLine(Text& text, const FieldTiming& timing, const SpeedGrade& grade) {
    size_t start = text.Size();
    text << timing.field->Name;
    text.PadFrom(start, 24);
    start = text.Size();
    AppendCount(text, timing);
    text.PadFrom(start, 8);
    if (timing.nsKnown) {
        start = text.Size();
        text.Tenths(timing.tenthsOfNs) << " ns";
        text.PadFrom(start, 10);
    }
    if (timing.warnings != 0) AppendWarnings(text << "warning: ", timing, grade);
    std::string& all = text.Str();
    while (all.back() == ' ') all.pop_back();
    text << kLineEnd;
}

}  // namespace

PanelLines PanelText(const TimingFigures& figures) {
    const ClockFigures& clocks = figures.clocks;
    PanelLines lines;
    lines.memory = Line(AppendMemory, "Memory: ", clocks);
    lines.fsb = Line(AppendFsb, "FSB: ", clocks);
    lines.ratio = Line(AppendRatio, "Memory:FSB ratio ", clocks);
    lines.cas = Line(AppendCasOf, "CAS latency: ", clocks);
    lines.source = Line(AppendSource, "", clocks);
    Text warnings;
    for (const FieldTiming& timing : figures.fields)
        if (timing.warnings != 0) warnings << (warnings.Size() == 0 ? "Warnings: " : ", ") << timing.field->Name;
    lines.warnings = warnings.Size() == 0 ? "No warnings" : std::move(warnings.Str());
    return lines;
}

std::string FieldTooltip(const FieldTiming& timing, const TimingFigures& figures) {
    Text text;
    text << timing.field->Name << ": ";
    AppendCount(text, timing);
    if (!timing.plainCount) return std::move(text.Str());
    text << (timing.count == 1 ? " clock" : " clocks");
    if (!timing.nsKnown) return std::move((text << ", memory clock " << kUnknownFigure).Str());
    text << " = ";
    text.Tenths(timing.tenthsOfNs) << " ns at ";
    text.MHz(figures.clocks.memoryKHz);
    if (timing.warnings != 0) AppendWarnings(text << "\r\nWarning: ", timing, *figures.grade);
    return std::move(text.Str());
}

std::string WarningLines(const TimingFigures& figures) {
    Text lines;
    for (const FieldTiming& timing : figures.fields) {
        if (timing.warnings == 0) continue;
        lines << timing.field->Name << " ";
        lines.Number(timing.count) << ": ";
        AppendWarnings(lines, timing, *figures.grade);
        lines << kLineEnd;
    }
    return std::move(lines.Str());
}

std::string MachineIdentityText() {
    Text text;
    for (const MachineKey& key : ThisMachineProfile())
        if (!key.value.empty()) text << (text.Size() == 0 ? "" : ", ") << key.key << " " << key.value;
    return text.Size() == 0 ? std::string(kUnknownFigure) : std::move(text.Str());
}

std::string TimingReport(const std::string& program, const TimingFigures& figures) {
    const PanelLines panel = PanelText(figures);
    Text report;
    report << program << ", DRAM timings" << kLineEnd << "Machine: " << MachineIdentityText() << kLineEnd;
    for (const std::string* line : {&panel.memory, &panel.fsb, &panel.ratio, &panel.cas, &panel.source})
        if (!line->empty()) report << *line << kLineEnd;
    report << kLineEnd;
    for (const FieldTiming& timing : figures.fields) AppendReportLine(report, timing, *figures.grade);
    return std::move(report.Str());
}
