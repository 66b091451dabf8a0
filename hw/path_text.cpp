#include "hw/path_text.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The length of the character that starts at `i`: a lead byte with nothing after it
// (a path cut short) counts as one.
size_t CharacterLength(const std::string& path, size_t i, LeadByteTest isLeadByte) {
    return isLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size() ? 2 : 1;
}

}  // namespace

bool NoLeadBytes(unsigned char) { return false; }

size_t LastSeparator(const std::string& path, LeadByteTest isLeadByte) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); i += CharacterLength(path, i, isLeadByte))
        if (IsSeparator(path[i])) last = i;
    return last;
}

std::string FolderPart(const std::string& path, LeadByteTest isLeadByte) {
    const size_t separator = LastSeparator(path, isLeadByte);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string NamePart(const std::string& path, LeadByteTest isLeadByte) {
    const size_t separator = LastSeparator(path, isLeadByte);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string ComparablePath(const std::string& path, LeadByteTest isLeadByte) {
    std::string result;
    result.reserve(path.size());
    bool afterSeparator = false;
    for (size_t i = 0; i < path.size();) {
        const size_t length = CharacterLength(path, i, isLeadByte);
        const char c = path[i];
        if (length == 2) {
            result.append(path, i, 2);
            afterSeparator = false;
        } else if (IsSeparator(c)) {
            if (!afterSeparator || i == 1) result += '\\';
            afterSeparator = true;
        } else {
            result += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            afterSeparator = false;
        }
        i += length;
    }
    return result;
}
