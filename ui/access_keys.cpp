#include "ui/access_keys.h"

namespace {

bool CanBeAccessKey(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

char KeyOf(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::vector<size_t> AssignAccessKeys(const std::vector<std::string>& captions) {
    std::vector<size_t> positions;
    bool taken[256] = {};  // by key, as an unsigned byte
    for (const std::string& caption : captions) {
        size_t chosen = kNoAccessKey;
        for (size_t i = 0; i < caption.size(); ++i) {
            const unsigned char key = static_cast<unsigned char>(KeyOf(caption[i]));
            if (CanBeAccessKey(caption[i]) && !taken[key]) {
                chosen = i;
                taken[key] = true;
                break;
            }
        }
        positions.push_back(chosen);
    }
    return positions;
}

std::string MarkAccessKey(const std::string& caption, size_t position) {
    std::string marked;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (i == position) marked += '&';
        if (caption[i] == '&') marked += '&';
        marked += caption[i];
    }
    return marked;
}
