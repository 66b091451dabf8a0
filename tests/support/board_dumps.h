// Dumps of real machines (tests/data/boards), in the text the simulated chipset loads.
#pragma once
#include <cstdint>
#include <string>

// The dump named `name` (without ".txt") in `folder`; "" where it cannot be read.
std::string BoardDump(const std::string& folder, const std::string& name);
// The dump without one function, given as "bb:dd.f": a board that lacks that device.
std::string WithoutFunction(const std::string& dump, const std::string& slot);
// The dump with `count` bytes (1 to 4, low byte first) at `offset` of the function
// "bb:dd.f" replaced by those of `value`; a row the dump lacks stays lacking.
std::string WithBytes(const std::string& dump, const std::string& slot, uint32_t offset, uint32_t value,
                      int count = 4);

