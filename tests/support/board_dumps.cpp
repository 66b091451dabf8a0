#include "tests/support/board_dumps.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support/text_lines.h"

std::string BoardDump(const std::string& folder, const std::string& name) {
    std::ifstream in(folder + "/" + name + ".txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A function's lines run from its heading to the next blank line.
std::string WithoutFunction(const std::string& dump, const std::string& slot) {
    std::string kept;
    bool skipping = false;
    for (const std::string& line : Lines(dump)) {
        const std::string first = line.substr(0, line.find(' '));
        if (first == slot || first == "0000:" + slot) skipping = true;
        if (line.empty()) skipping = false;
        if (!skipping) kept += line + "\n";
    }
    return kept;
}

std::string WithBytes(const std::string& dump, const std::string& slot, uint32_t offset, uint32_t value, int count) {
    std::string text;
    bool inSlot = false;
    char row[4];
    std::snprintf(row, sizeof row, "%02x:", static_cast<unsigned>(offset & 0xF0));
    for (std::string line : Lines(dump)) {
        const bool byteRow = line.size() > 3 && line[2] == ':' && line[3] == ' ';
        if (!byteRow) {
            const std::string first = line.substr(0, line.find(' '));
            if (line.empty() || line[0] != '#') inSlot = first == slot || first == "0000:" + slot;
        } else if (inSlot && line.compare(0, 3, row) == 0) {
            for (int i = 0; i < count; ++i) {
                char byte[3];
                std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>((value >> (8 * i)) & 0xFF));
                line.replace(4 + 3 * ((offset & 0xF) + i), 2, byte);
            }
        }
        text += line + "\n";
    }
    return text;
}

