// Numbers as the messages and the write log show them, without the C library's
// formatted printing: MinGW's would bring a whole printf of its own into the program.
#pragma once
#include <cstdint>
#include <string>

// The low `digits` hexadecimal digits of the value, upper case, leading zeros kept.
std::string HexText(uint32_t value, unsigned digits);

// The decimal digits of the value, with leading zeros up to `digits`.
std::string DecimalText(uint32_t value, unsigned digits = 1);

// "BB:DD.F", as lspci names a PCI function.
std::string PciFunctionText(uint32_t bus, uint32_t device, uint32_t function);

// The value of the eight hexadecimal digits (upper case, as HexText writes them) at
// `at` in the text; false when there are not eight such digits there.
bool ReadHexDword(const std::string& text, size_t at, uint32_t* value);
