// How the 32-bit product's unwinder finds the unwind record (FDE) of a code address,
// in place of libgcc's unwind-dw2-fde.o. That object sorts the records into a search
// table and guards it for threads and for DLLs that register their own records: some
// 10 KiB for a program that has one block of records and throws only to report an
// error. Here the block registered at start-up is walked from its first record to the
// terminator whenever an exception passes a frame.
//
// The interface is libgcc's own (unwind-dw2-fde.h): crtbegin.o registers the start of
// the program's .eh_frame with __register_frame_info before main, and the unwinder
// (unwind-dw2.o) asks _Unwind_Find_FDE for the record covering each return address,
// with the bases its pointer encodings may be relative to.
#include <cstdint>
#include <cstring>

namespace {

// The pointer encodings of the exception handling frame format: the low nibble
// is the format, the next one what the value is relative to, the top bit an
// indirection.
constexpr unsigned char kFormatMask = 0x0F;
constexpr unsigned char kAbsolute = 0x00;
constexpr unsigned char kULeb128 = 0x01;
constexpr unsigned char kUData2 = 0x02;
constexpr unsigned char kUData4 = 0x03;
constexpr unsigned char kSLeb128 = 0x09;
constexpr unsigned char kSData2 = 0x0A;
constexpr unsigned char kSData4 = 0x0B;
constexpr unsigned char kRelativeMask = 0x70;
constexpr unsigned char kPcRelative = 0x10;
constexpr unsigned char kAligned = 0x50;

// The program's .eh_frame, from crtbegin.o's first record up to crtend.o's zero length.
const unsigned char* registeredFrames = nullptr;

uint32_t Word(const unsigned char* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

uintptr_t ReadULeb128(const unsigned char*& p) {
    uintptr_t value = 0;
    unsigned shift = 0;
    unsigned char byte;
    do {
        byte = *p++;
        value |= static_cast<uintptr_t>(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    return value;
}

// Reads one encoded pointer and moves past it. Relative to its own place where the
// encoding says so; no other base occurs in the program's own records (libgcc gives
// the others as 0 for a block registered this way, which is what adding none does).
// False for a format this target's compilers never emit.
bool ReadEncoded(unsigned char encoding, const unsigned char*& p, uintptr_t* value) {
    if ((encoding & kRelativeMask) == kAligned) {
        const uintptr_t at = reinterpret_cast<uintptr_t>(p);
        p = reinterpret_cast<const unsigned char*>((at + sizeof(void*) - 1) & ~(sizeof(void*) - 1));
        encoding = kAbsolute;
    }
    const uintptr_t place = reinterpret_cast<uintptr_t>(p);
    switch (encoding & kFormatMask) {
    case kAbsolute:
    case kUData4:
    case kSData4:
        *value = Word(p);
        p += 4;
        break;
    case kUData2:
        *value = static_cast<uint16_t>(p[0] | p[1] << 8);
        p += 2;
        break;
    case kSData2:
        *value = static_cast<uintptr_t>(static_cast<int16_t>(p[0] | p[1] << 8));
        p += 2;
        break;
    case kULeb128:
    case kSLeb128:  // only skipped over (a personality), never compared
        *value = ReadULeb128(p);
        break;
    default:
        return false;
    }
    if ((encoding & kRelativeMask) == kPcRelative) *value += place;
    return true;
}

// The encoding of the code addresses in the FDEs of this CIE: its augmentation's 'R'
// entry, absolute where it has none. False for an augmentation it cannot read.
bool CodeAddressEncoding(const unsigned char* cie, unsigned char* encoding) {
    const unsigned char* p = cie + 8;  // past its length and its zero id
    const unsigned char version = *p++;
    const char* augmentation = reinterpret_cast<const char*>(p);
    p += std::strlen(augmentation) + 1;
    *encoding = kAbsolute;
    if (augmentation[0] == '\0') return true;
    if (augmentation[0] != 'z') return false;
    ReadULeb128(p);  // code alignment
    ReadULeb128(p);  // data alignment (signed, skipped alike)
    if (version == 1)
        ++p;  // return address column
    else
        ReadULeb128(p);
    ReadULeb128(p);  // length of the augmentation data
    uintptr_t skipped;
    for (const char* letter = augmentation + 1; *letter != '\0'; ++letter) {
        switch (*letter) {
        case 'R':
            *encoding = *p;
            return true;
        case 'P': {
            const unsigned char personalityEncoding = *p++;
            if (!ReadEncoded(personalityEncoding, p, &skipped)) return false;
            break;
        }
        case 'L':
            ++p;
            break;
        case 'S':
            break;
        default:
            return false;
        }
    }
    return true;
}

}  // namespace

// What the unwinder gets back besides the record: the bases of relative encodings,
// and the start of the function the record covers.
struct dwarf_eh_bases {
    void* tbase;
    void* dbase;
    void* func;
};

struct object;  // libgcc's bookkeeping of a registered block, which this lookup keeps none of

extern "C" {

void __register_frame_info(const void* begin, object*) {
    registeredFrames = static_cast<const unsigned char*>(begin);
}

void* __deregister_frame_info(const void* begin) {
    if (begin == registeredFrames) registeredFrames = nullptr;
    return nullptr;
}

const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases) {
    if (registeredFrames == nullptr) return nullptr;
    const uintptr_t address = reinterpret_cast<uintptr_t>(pc);
    for (const unsigned char* record = registeredFrames; Word(record) != 0;
         record += 4 + Word(record)) {
        const uint32_t cieOffset = Word(record + 4);
        if (cieOffset == 0) continue;  // a CIE: what the following FDEs share
        unsigned char encoding;
        if (!CodeAddressEncoding(record + 4 - cieOffset, &encoding)) continue;
        const unsigned char* p = record + 8;
        uintptr_t start;
        uintptr_t length;
        if (!ReadEncoded(encoding, p, &start)) continue;
        if (!ReadEncoded(encoding & kFormatMask, p, &length)) continue;
        // A zero start is a record whose code the linker dropped.
        if (start == 0 || address < start || address - start >= length) continue;
        bases->tbase = nullptr;
        bases->dbase = nullptr;
        bases->func = reinterpret_cast<void*>(start);
        return record;
    }
    return nullptr;
}

}  // extern "C"
