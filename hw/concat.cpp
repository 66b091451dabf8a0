#include "hw/concat.h"

std::string Concat(std::initializer_list<std::string_view> pieces) {
    size_t size = 0;
    for (std::string_view piece : pieces) size += piece.size();
    std::string text;
    text.reserve(size);
    for (std::string_view piece : pieces) text.append(piece.data(), piece.size());
    return text;
}
