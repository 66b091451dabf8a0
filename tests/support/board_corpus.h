// The boards of public listings (tests/data/boards/*_boards.txt), one line a board:
//   name | host=10DE:01E0 rev=C1 | mc=10DE:01EB rev=C1 sub=1043:80AC | agp=10DE:01E8 rev=C1
//        | pci=10DE:006C rev=A3 | numbers | source: ...
// Each function is "vvvv:dddd", "absent" (the listing shows nothing there) or "?" (the
// listing does not show that address); "rev=??" and "sub=-" where it gives none;
// "numbers" or "names" says whether the ids were posted or read off pci.ids.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class ListedAs { Device, Absent, NotShown };

struct ListedFunction {
    ListedAs listed = ListedAs::NotShown;
    uint32_t vendorDevice = 0;  // as dword 0x00 reads: device in the high half
    int revision = -1;          // -1: not given
    bool hasSubsystem = false;
    uint32_t subsystem = 0;     // as dword 0x2C reads
};

// The four functions Quillon identifies, in the order of its table.
constexpr const char* kListedSlots[4] = {"00:00.0", "00:00.1", "00:1e.0", "00:08.0"};

struct ListedBoard {
    int line = 0;
    std::string name;
    ListedFunction functions[4];
    bool fromNames = false;
    std::string source;
};

// The boards of a list; a line that does not read is named in *error and stops the read.
std::vector<ListedBoard> ReadBoardList(const std::string& text, std::string* error);

// The boards of the list `name` (without ".txt") in `folder`; a list that is missing, empty
// or does not read fails the test.
std::vector<ListedBoard> ListedBoards(const std::string& folder, const std::string& name);

// The board as a dump: `base` (a real board's dump with all four functions) with each
// function's ids, revision and subsystem replaced by the listed ones, a function listed
// absent taken out, and one not shown kept as the base has it.
std::string ListedBoardDump(const ListedBoard& board, const std::string& base);

// "line 12 (ASUS A7N8X)", to say which board a failure is about.
std::string BoardLabel(const ListedBoard& board);
