// Checks the settings-file number reader against a second reader built the other way
// round: it classifies the text by its shape first and measures the range on the
// digit strings, converting with the standard library only once the value is known
// to fit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "model/number_text.h"

namespace {

const std::string kDecimalDigits = "0123456789";
const std::string kHexDigits = "0123456789abcdefABCDEF";

bool ConsistsOf(const std::string& text, const std::string& alphabet) {
    return !text.empty() && text.find_first_not_of(alphabet) == std::string::npos;
}

std::string WithoutLeadingZeros(const std::string& digits) {
    const size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? std::string() : digits.substr(first);
}

// Digit strings of equal length compare like their numbers.
bool DigitsAtMost(const std::string& digits, const std::string& limit) {
    const std::string d = WithoutLeadingZeros(digits);
    return d.size() < limit.size() || (d.size() == limit.size() && d <= limit);
}

std::optional<int64_t> ReferenceHex(const std::string& digits) {
    if (!ConsistsOf(digits, kHexDigits)) return std::nullopt;
    std::string upper = WithoutLeadingZeros(digits);
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    if (!DigitsAtMost(upper, "FFFFFFFF")) return std::nullopt;
    const int64_t bits = upper.empty() ? 0 : static_cast<int64_t>(std::stoull(upper, nullptr, 16));
    return bits >= 0x80000000LL ? bits - 0x100000000LL : bits;
}

std::optional<int64_t> ReferenceDecimal(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    const bool sign = !text.empty() && (text[0] == '-' || text[0] == '+');
    const std::string digits = sign ? text.substr(1) : text;
    if (!ConsistsOf(digits, kDecimalDigits)) return std::nullopt;
    if (!DigitsAtMost(digits, negative ? "2147483648" : "2147483647")) return std::nullopt;
    const std::string significant = WithoutLeadingZeros(digits);
    const int64_t magnitude = significant.empty() ? 0 : std::stoll(significant);
    return negative ? -magnitude : magnitude;
}

std::optional<int64_t> ReferenceNumber(std::string text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = "$" + text.substr(2);
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    const std::string rest = text.substr(start);
    for (const char* prefix : {"0x", "0X", "$", "x", "X"}) {
        const std::string p = prefix;
        if (rest.compare(0, p.size(), p) == 0) return ReferenceHex(rest.substr(p.size()));
    }
    return ReferenceDecimal(rest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int64_t> expected = ReferenceNumber(text);

    int32_t value = 0x5A5A5A5A;
    const bool read = ReadSettingsNumber(text, &value);
    if (read != expected.has_value()) std::abort();
    if (read && value != *expected) std::abort();
    if (!read && value != 0x5A5A5A5A) std::abort();  // a rejected text writes nothing
    return 0;
}
