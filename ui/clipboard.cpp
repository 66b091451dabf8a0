#include "ui/clipboard.h"

#include <cstring>

namespace {

// The clipboard owns the memory once it takes it; until then it is ours to free.
HGLOBAL TextMemory(const std::string& text) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (memory == nullptr) return nullptr;
    void* bytes = GlobalLock(memory);
    if (bytes == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    return memory;
}

}  // namespace

bool PutTextOnClipboard(HWND owner, const std::string& text) {
    HGLOBAL memory = TextMemory(text);
    if (memory == nullptr) return false;
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    const bool taken = EmptyClipboard() && SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    if (!taken) GlobalFree(memory);
    return taken;
}
