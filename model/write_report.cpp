#include "model/write_report.h"

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "model/field_catalogue.h"

namespace {

const char kLineEnd[] = "\r\n";
// Register lines are indented: a line that starts with neither blank begins an entry.
const char kRegisterIndent[] = "  ";

RegisterValues CachedValues() {
    RegisterValues values{};
    for (const PciRegister& reg : RegisterTable) values[static_cast<size_t>(reg.Id)] = reg.Value;
    return values;
}

RegisterValues LastReadValues() {
    RegisterValues values{};
    for (const PciRegister& reg : RegisterTable) values[static_cast<size_t>(reg.Id)] = reg.LastRead;
    return values;
}

uint32_t FieldBits(const RegisterField& field, uint32_t registerValue) {
    return (registerValue & FieldMask(field)) >> field.Shift;
}

// "BB:DD.F+OO", as lspci names a function, with the register's offset.
std::string RegisterAddressText(const PciRegister& reg) {
    return Concat({PciFunctionText(reg.Bus, reg.Device, reg.Function), "+", HexText(reg.Offset & 0xFC, 2)});
}

const char* OriginText(WriteOrigin origin) {
    switch (origin) {
        case WriteOrigin::Window: return "window";
        case WriteOrigin::File: return "file";
        case WriteOrigin::Logon: return "logon";
    }
    return "";
}

const char kReadBackLabel[] = " read back ";

// The register a log line names, by the address it starts with; null for none.
const PciRegister* RegisterOfLine(const std::string& line) {
    for (const PciRegister& reg : RegisterTable)
        if (line.rfind(kRegisterIndent + RegisterAddressText(reg) + " ", 0) == 0) return &reg;
    return nullptr;
}

bool StartsEntry(const std::string& log, size_t lineStart) {
    return lineStart < log.size() && log[lineStart] != ' ';
}

}  // namespace

RegisterWrite WriteAllRegistersNoted() {
    RegisterWrite write{LastReadValues(), CachedValues(), {}, {}};
    WriteAllRegisters();
    write.readBack = CachedValues();
    return write;
}

std::string RefusedFieldsText(const RegisterWrite& write) {
    std::string lines;
    for (const RegisterField& field : FieldCatalogue) {
        if (!field.Register->Present) continue;
        const size_t index = static_cast<size_t>(field.Register->Id);
        const uint32_t asked = FieldBits(field, write.written[index]);
        const uint32_t kept = FieldBits(field, write.readBack[index]);
        if (asked == kept) continue;
        lines += Concat({field.Name, ": asked ", DecimalText(asked), ", the chipset kept ", DecimalText(kept),
                         "\n"});
    }
    if (lines.empty()) return lines;
    return Concat({"The chipset did not take every value it was given. These fields keep other "
                   "values:\n\n", lines});
}

std::string WriteLogEntry(const RegisterWrite& write, const std::string& localTime,
                          WriteOrigin origin, const std::string& settingsPath) {
    std::string entry = Concat({localTime, " ", OriginText(origin), settingsPath.empty() ? "" : " ",
                                settingsPath, kLineEnd});
    for (const PciRegister& reg : RegisterTable) {
        if (!reg.Present) continue;
        const size_t i = static_cast<size_t>(reg.Id);
        entry += Concat({kRegisterIndent, RegisterAddressText(reg), " before ", HexText(write.before[i], 8),
                         " written ", HexText(write.written[i], 8), " read back ",
                         HexText(write.readBack[i], 8), kLineEnd});
    }
    for (size_t line = 0, end; (end = write.warnings.find(kLineEnd, line)) != std::string::npos; line = end + 2)
        entry += Concat({kRegisterIndent, "warning: ", std::string_view(write.warnings).substr(line, end + 2 - line)});
    return entry;
}

std::string LogWithEntry(const std::string& log, const std::string& entry, size_t limit) {
    if (log.size() + entry.size() <= limit) return log + entry;
    // The first entry that begins in the newer half is where the kept part starts.
    size_t start = log.find('\n', log.size() / 2);
    while (start != std::string::npos && !StartsEntry(log, start + 1))
        start = log.find('\n', start + 1);
    std::string kept = start == std::string::npos ? std::string() : log.substr(start + 1);
    if (kept.size() + entry.size() > limit) kept.clear();
    return kept + entry;
}

bool HoldsLastLoggedWrite(const std::string& log, const RegisterValues& live) {
    // Line by line from the end, back to the header of the last entry that wrote.
    bool named = false;
    for (size_t end = log.size(); end > 0;) {
        const size_t newline = log.rfind('\n', end - 1);
        const size_t start = newline == std::string::npos ? 0 : newline + 1;
        const std::string line = log.substr(start, end - start);
        end = newline == std::string::npos ? 0 : newline;
        const size_t label = line.find(kReadBackLabel);
        const PciRegister* reg = label == std::string::npos ? nullptr : RegisterOfLine(line);
        if (reg != nullptr) {
            uint32_t value = 0;
            if (!ReadHexDword(line, label + sizeof kReadBackLabel - 1, &value) ||
                value != live[static_cast<size_t>(reg->Id)])
                return false;
            named = true;
        } else if (named && !line.empty() && line[0] != ' ') {
            return true;
        }
    }
    return named;
}

std::string BootValuesNote(const RegisterValues& firstRead, const std::string& localTime,
                           const std::string& snapshotPath) {
    std::string note = Concat({localTime, " boot values not saved to ", snapshotPath,
                               "; the firmware's, as this boot's first read found them:", kLineEnd});
    for (const PciRegister& reg : RegisterTable) {
        if (!reg.Present) continue;
        note += Concat({kRegisterIndent, RegisterAddressText(reg), " boot ",
                        HexText(firstRead[static_cast<size_t>(reg.Id)], 8), kLineEnd});
    }
    return note;
}
