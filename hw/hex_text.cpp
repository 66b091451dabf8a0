#include "hw/hex_text.h"

#include "hw/concat.h"

std::string HexText(uint32_t value, unsigned digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0 && value != 0; value >>= 4) text[i] = kDigits[value & 0xF];
    return text;
}

// Written from the last digit back, as HexText is: std::to_string would bring its
// own conversion and table of digit pairs along.
std::string DecimalText(uint32_t value, unsigned digits) {
    char buffer[10];  // 4294967295
    char* const end = buffer + sizeof buffer;
    char* first = end;
    do {
        *--first = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::string text(first, end);
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

std::string PciFunctionText(uint32_t bus, uint32_t device, uint32_t function) {
    return Concat({HexText(bus, 2), ":", HexText(device & 0x1F, 2), ".", HexText(function & 7, 1)});
}

bool ReadHexDword(const std::string& text, size_t at, uint32_t* value) {
    if (at > text.size() || text.size() - at < 8) return false;
    uint32_t read = 0;
    for (size_t i = at; i < at + 8; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        read = (read << 4) | static_cast<uint32_t>(digit);
    }
    *value = read;
    return true;
}
