#include "tests/support/text_lines.h"

#include <sstream>

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> NonBlankLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::string& line : Lines(text))
        if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

std::string WindowsLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

size_t LineCount(const std::string& text) { return Occurrences(text, "\n"); }

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}
