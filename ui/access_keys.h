// Access keys of menu captions, which are stored without marks: every item gets the
// first letter or digit of its caption that no earlier item of the same menu took.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kNoAccessKey = static_cast<size_t>(-1);

// For each caption of one menu, in order, the position of the character that becomes
// its access key, or kNoAccessKey. An empty caption is a separator and takes none.
// Letters compare without regard to case; only A-Z and 0-9 qualify.
std::vector<size_t> AssignAccessKeys(const std::vector<std::string>& captions);

// The caption as the menu shows it: "&" before the access key, and every "&" the
// caption itself holds doubled so that it shows as written.
std::string MarkAccessKey(const std::string& caption, size_t position);
