#include "hw/hex_text.h"

std::string HexText(uint32_t value, unsigned digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0 && value != 0; value >>= 4) text[i] = kDigits[value & 0xF];
    return text;
}

std::string DecimalText(uint32_t value, unsigned digits) {
    std::string text = std::to_string(value);
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

std::string PciFunctionText(uint32_t bus, uint32_t device, uint32_t function) {
    return HexText(bus, 2) + ":" + HexText(device & 0x1F, 2) + "." + HexText(function & 7, 1);
}
