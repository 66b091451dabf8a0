#include "tests/support/board_corpus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "tests/support/board_dumps.h"
#include "tests/support/text_lines.h"

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Split(const std::string& line, const std::string& separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = line.find(separator, from)) != std::string::npos; from = at + separator.size())
        parts.push_back(Trimmed(line.substr(from, at - from)));
    parts.push_back(Trimmed(line.substr(from)));
    return parts;
}

bool HexValue(const std::string& text, size_t digits, uint32_t* value) {
    if (text.size() != digits) return false;
    unsigned parsed = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%x%n", &parsed, &used) != 1 || static_cast<size_t>(used) != digits)
        return false;
    *value = parsed;
    return true;
}

// "10DE:01EB" as dword 0x00 or 0x2C reads it.
bool IdPair(const std::string& text, uint32_t* value) {
    uint32_t vendor, device;
    if (text.size() != 9 || text[4] != ':' || !HexValue(text.substr(0, 4), 4, &vendor) ||
        !HexValue(text.substr(5), 4, &device))
        return false;
    *value = device << 16 | vendor;
    return true;
}

// "mc=10DE:01EB rev=C1 sub=1043:80AC", the key already checked.
bool ReadFunction(const std::string& field, ListedFunction* f) {
    std::istringstream words(field.substr(field.find('=') + 1));
    std::string id;
    words >> id;
    if (id == "absent" || id == "?") {
        f->listed = id == "absent" ? ListedAs::Absent : ListedAs::NotShown;
        return true;
    }
    if (!IdPair(id, &f->vendorDevice)) return false;
    f->listed = ListedAs::Device;
    for (std::string word; words >> word;) {
        uint32_t value;
        if (word == "rev=??" || word == "sub=-") continue;
        if (word.rfind("rev=", 0) == 0 && HexValue(word.substr(4), 2, &value)) {
            f->revision = static_cast<int>(value);
        } else if (word.rfind("sub=", 0) == 0 && IdPair(word.substr(4), &f->subsystem)) {
            f->hasSubsystem = true;
        } else {
            return false;
        }
    }
    return true;
}

bool ReadBoard(const std::string& line, ListedBoard* board, std::string* why) {
    const std::vector<std::string> fields = Split(line, " | ");
    if (fields.size() < 7) return *why = "expected seven fields separated by \" | \"", false;
    board->name = fields[0];
    const char* const keys[4] = {"host=", "mc=", "agp=", "pci="};
    for (int i = 0; i < 4; ++i) {
        if (fields[1 + i].rfind(keys[i], 0) != 0 || !ReadFunction(fields[1 + i], &board->functions[i]))
            return *why = std::string("cannot read the ") + keys[i] + " field \"" + fields[1 + i] + "\"", false;
    }
    if (fields[5] != "numbers" && fields[5] != "names") return *why = "expected \"numbers\" or \"names\"", false;
    board->fromNames = fields[5] == "names";
    board->source = fields[6];
    for (size_t i = 7; i < fields.size(); ++i) board->source += " | " + fields[i];
    if (board->name.empty() || board->source.rfind("source:", 0) != 0)
        return *why = "a board needs a name and a source", false;
    return true;
}

}  // namespace

std::vector<ListedBoard> ReadBoardList(const std::string& text, std::string* error) {
    std::vector<ListedBoard> boards;
    int number = 0;
    for (const std::string& raw : Lines(text)) {
        ++number;
        const std::string line = Trimmed(raw);
        if (line.empty() || line[0] == '#') continue;
        ListedBoard board;
        board.line = number;
        std::string why;
        if (!ReadBoard(line, &board, &why)) {
            if (error) *error = "line " + std::to_string(number) + ": " + why;
            return boards;
        }
        boards.push_back(board);
    }
    if (error) error->clear();
    return boards;
}

std::vector<ListedBoard> ListedBoards(const std::string& folder, const std::string& name) {
    std::string error;
    const std::vector<ListedBoard> boards = ReadBoardList(BoardDump(folder, name), &error);
    EXPECT_EQ(error, "") << name;
    EXPECT_FALSE(boards.empty()) << name;
    return boards;
}

std::string ListedBoardDump(const ListedBoard& board, const std::string& base) {
    std::string dump = base;
    for (int i = 0; i < 4; ++i) {
        const ListedFunction& f = board.functions[i];
        if (f.listed == ListedAs::Absent) dump = WithoutFunction(dump, kListedSlots[i]);
        if (f.listed != ListedAs::Device) continue;
        dump = WithBytes(dump, kListedSlots[i], 0x00, f.vendorDevice);
        if (f.revision >= 0) dump = WithBytes(dump, kListedSlots[i], 0x08, static_cast<uint32_t>(f.revision), 1);
        if (f.hasSubsystem) dump = WithBytes(dump, kListedSlots[i], 0x2C, f.subsystem);
    }
    return dump;
}

std::string BoardLabel(const ListedBoard& board) {
    return "line " + std::to_string(board.line) + " (" + board.name + ")";
}
