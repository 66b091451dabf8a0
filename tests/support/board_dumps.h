// Dumps of real machines (tests/data/boards), in the text the simulated chipset loads.
#pragma once
#include <string>

// The dump named `name` (without ".txt") in `folder`; "" where it cannot be read.
std::string BoardDump(const std::string& folder, const std::string& name);
// The dump without one function, given as "bb:dd.f": a board that lacks that device.
std::string WithoutFunction(const std::string& dump, const std::string& slot);
