#include "model/number_text.h"

namespace {

constexpr int64_t kLargestMagnitude = int64_t{1} << 31;  // of a negative 32-bit number
constexpr uint64_t kLargestHex = 0xFFFFFFFFu;

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// The digit's value, or -1 when c is not a hexadecimal digit.
int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithZeroX(const std::string& text, size_t pos) {
    return text.size() >= pos + 2 && text[pos] == '0' &&
           (text[pos + 1] == 'x' || text[pos + 1] == 'X');
}

// Length of the hexadecimal prefix at pos, 0 when there is none.
size_t HexPrefixLength(const std::string& text, size_t pos) {
    if (StartsWithZeroX(text, pos)) return 2;
    const char c = text[pos];
    return (c == '$' || c == 'x' || c == 'X') ? 1 : 0;
}

// Digits from pos to the end, as a value that may not exceed FFFFFFFF.
bool ReadHexDigits(const std::string& text, size_t pos, int32_t* value) {
    if (pos >= text.size()) return false;
    uint64_t total = 0;
    for (size_t i = pos; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) return false;
        total = total * 16 + static_cast<uint64_t>(digit);
        if (total > kLargestHex) return false;  // leading zeros keep total at 0
    }
    // The upper half stands for the negative numbers of the same bit pattern.
    const int64_t wrapped = total > 0x7FFFFFFFu ? static_cast<int64_t>(total) - (int64_t{1} << 32)
                                                : static_cast<int64_t>(total);
    *value = static_cast<int32_t>(wrapped);
    return true;
}

// An optional sign and decimal digits from pos to the end, within 32 signed bits.
bool ReadSignedDecimal(const std::string& text, size_t pos, int32_t* value) {
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    if (pos >= text.size()) return false;
    const int64_t limit = negative ? kLargestMagnitude : kLargestMagnitude - 1;
    int64_t magnitude = 0;
    for (size_t i = pos; i < text.size(); ++i) {
        if (!IsDecimalDigit(text[i])) return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return false;
    }
    *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace

bool ReadSettingsNumber(const std::string& text, int32_t* value) {
    std::string number = text;
    if (number.size() > 2 && StartsWithZeroX(number, 0)) number.replace(0, 2, "$");

    const size_t start = number.find_first_not_of(' ');
    if (start == std::string::npos) return false;

    const size_t prefix = HexPrefixLength(number, start);
    if (prefix > 0) return ReadHexDigits(number, start + prefix, value);
    return ReadSignedDecimal(number, start, value);
}
