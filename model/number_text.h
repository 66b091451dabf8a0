// Numbers in settings files. Users write them by hand and mail the files around, so
// the reader accepts exactly a fixed set of forms and nothing that merely looks close.
#pragma once
#include <cstdint>
#include <string>

// Reads the whole text as one signed 32-bit number: leading spaces, then either an
// optionally signed decimal number within 32 bits, or a hexadecimal one after "$",
// "x", "X", "0x" or "0X" (up to FFFFFFFF, the upper half wrapping to negative).
// Returns false, leaving *value alone, for anything else (tabs, trailing characters,
// a sign before a hexadecimal prefix, no digits, out of range).
bool ReadSettingsNumber(const std::string& text, int32_t* value);
