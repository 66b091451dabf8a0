#include "ui/timing_panel.h"

#include "model/memory_timings.h"
#include "model/timing_text.h"
#include "ui/form_builder.h"
#include "ui/form_layout.h"

namespace {

// The panel's lines, top to bottom, as the form description names them.
const char* const kLineNames[] = {"MemoryClockLabel", "FsbLabel",         "ClockRatioLabel",
                                  "CasLatencyLabel",  "ClockSourceLabel", "TimingWarningsLabel"};
constexpr size_t kWarningsLine = 5;

const char kEllipsis[] = "...";

HWND ListOf(HWND window, const RegisterField& field) {
    for (size_t i = 0; i < kFormControlCount; ++i)
        if (kFormControls[i].kind == ControlKind::FieldList && ShownField(kFormControls[i]) == &field)
            return ControlHandle(window, kFormControls[i]);
    return nullptr;
}

// The text as it fits the line's width in its font: cut, with an ellipsis, where it is
// longer (the whole text is in the line's tooltip).
std::string Fitted(HWND line, const std::string& text) {
    RECT box;
    GetClientRect(line, &box);
    HDC dc = GetDC(line);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(line, WM_GETFONT, 0, 0));
    auto fits = [&](const std::string& candidate) { return TextBox(dc, font, candidate.c_str()).cx <= box.right; };
    std::string shown = text;
    for (size_t keep = text.size(); !fits(shown) && keep-- > 0;) {
        shown = text.substr(0, keep);
        while (!shown.empty() && (shown.back() == ' ' || shown.back() == ',')) shown.pop_back();
        shown += kEllipsis;
    }
    ReleaseDC(line, dc);
    return shown;
}

}  // namespace

void TimingPanel::Setup(HWND window) {
    window_ = window;
    for (size_t line = 0; line < lines_.size(); ++line)
        lines_[line] = ControlHandle(window, *FindControl(kLineNames[line]));
}

void TimingPanel::SetLine(size_t line, const std::string& text) {
    if (lines_[line] == nullptr) return;
    const std::string shown = Fitted(lines_[line], text);
    char current[256] = {};
    GetWindowTextA(lines_[line], current, sizeof current);
    if (shown != current) SetWindowTextA(lines_[line], shown.c_str());
}

void TimingPanel::Show(const ClockRegisters& read) {
    clocks_ = read;
    shown_ = true;
    const PanelLines text = PanelText(FigureTimings(DecodeClocks(read)));
    const std::string* shown[] = {&text.memory, &text.fsb, &text.ratio, &text.cas, &text.source, &text.warnings};
    for (size_t line = 0; line < lines_.size(); ++line) SetLine(line, *shown[line]);
    if (tooltipsMade_) ShowTooltips();
}

void TimingPanel::ShowNothing() {
    const PanelLines text = PanelText(FigureTimings(ClockFigures()));
    const std::string* shown[] = {&text.memory, &text.fsb, &text.ratio, &text.cas};
    for (size_t line = 0; line < 4; ++line) SetLine(line, *shown[line]);
}

void TimingPanel::MakeTooltips() {
    if (tooltipsMade_ || !shown_) return;
    tooltipsMade_ = true;
    if (tooltips_.Create(window_)) ShowTooltips();
}

void TimingPanel::ShowTooltips() {
    const TimingFigures figures = FigureTimings(DecodeClocks(clocks_));
    const std::string warnings = WarningLines(figures);
    tooltips_.Set(lines_[kWarningsLine], warnings.empty() ? PanelText(figures).warnings
                                                          : warnings.substr(0, warnings.size() - 2));
    for (const FieldTiming& timing : figures.fields)
        if (IsDramField(*timing.field)) tooltips_.Set(ListOf(window_, *timing.field), FieldTooltip(timing, figures));
}

std::string TimingPanel::Warnings() const { return WarningLines(FigureTimings(DecodeClocks(clocks_))); }

std::string TimingPanel::Report() const {
    return TimingReport(kMainForm.caption, FigureTimings(DecodeClocks(clocks_)));
}
