#include "ui/access_keys.h"

#include <set>

namespace {

bool CanBeAccessKey(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

char KeyOf(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::vector<size_t> AssignAccessKeys(const std::vector<std::string>& captions) {
    std::vector<size_t> positions;
    std::set<char> taken;
    for (const std::string& caption : captions) {
        size_t chosen = kNoAccessKey;
        for (size_t i = 0; i < caption.size(); ++i) {
            if (CanBeAccessKey(caption[i]) && taken.count(KeyOf(caption[i])) == 0) {
                chosen = i;
                taken.insert(KeyOf(caption[i]));
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
