#include "tests/support/board_dumps.h"

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
