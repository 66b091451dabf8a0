#include "sim/chipset.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

namespace {

constexpr uint32_t kAddressPort = 0xCF8;
constexpr uint32_t kDataPort = 0xCFC;
constexpr uint32_t kEnable = 0x80000000;

struct PowerOnRegister {
    uint32_t bus, device, function, offset, value;
};

// Doublewords that differ from zero at power-on: ids, class codes, header types,
// the DRAM timings and the latency timers. The AGP bridge's secondary latency
// (0x48) matches none of the offered latencies. The clocks are those of the A7N8X
// dump (tests/data/boards/nforce2_asus_a7n8x_full.txt): FSB PLL, CAS latency 2.5,
// memory PLL 5:5 and the clocks set at boot, 167.0 MHz.
const PowerOnRegister kPowerOn[] = {
    {0, 0, 0, 0x00, 0x01E010DE}, {0, 0, 0, 0x08, 0x060000C1}, {0, 0, 0, 0x0C, 0x00800000},
    {0, 0, 0, 0xA4, 0x003DE222}, {0, 0, 0, 0xA8, 0x00000001},
    {0, 0, 1, 0x00, 0x01EB10DE}, {0, 0, 1, 0x08, 0x050000C1}, {0, 0, 1, 0x0C, 0x00800000},
    {0, 0, 1, 0x84, 0x00020A05}, {0, 0, 1, 0x90, 0x3333310A}, {0, 0, 1, 0x94, 0x12311235},
    {0, 0, 1, 0xA0, 0x0000006A},
    {0, 0, 3, 0x00, 0x01ED10DE}, {0, 0, 3, 0x08, 0x050000C1}, {0, 0, 3, 0x0C, 0x00800000},
    {0, 0, 3, 0x70, 0x01E08001}, {0, 0, 3, 0x7C, 0x01020055},
    {0, 0, 5, 0x00, 0x01EF10DE}, {0, 0, 5, 0x08, 0x050000C1}, {0, 0, 5, 0x0C, 0x00800000},
    {0, 0, 5, 0x48, 0x09F4E939}, {0, 0, 5, 0x4C, 0x09F4E939},
    {0, 8, 0, 0x00, 0x006C10DE}, {0, 8, 0, 0x08, 0x060400A3}, {0, 8, 0, 0x0C, 0x00010000},
    {0, 8, 0, 0x18, 0x20020200},
    {0, 30, 0, 0x00, 0x01E810DE}, {0, 30, 0, 0x08, 0x060400C1}, {0, 30, 0, 0x0C, 0x00012000},
    {0, 30, 0, 0x18, 0x48010100},
};

struct ReadOnlyBits {
    uint32_t bus, device, function, offset, mask;
};

// Bits a write cannot change, beyond the ids, revision, class and header type every
// function has: reserved bits of the DRAM timing registers, and the low three bits of
// the AGP bridge's secondary latency timer, which that bridge hardwires to zero.
const ReadOnlyBits kReadOnly[] = {
    {0, 0, 1, 0x84, 0xFF000000}, {0, 0, 1, 0x90, 0x888860E0}, {0, 0, 1, 0x94, 0x88880880},
    {0, 30, 0, 0x18, 0x07000000},
};

uint32_t ReadDWord(const uint8_t* config, uint32_t offset) {
    return uint32_t{config[offset]} | uint32_t{config[offset + 1]} << 8 |
           uint32_t{config[offset + 2]} << 16 | uint32_t{config[offset + 3]} << 24;
}

void WriteDWord(uint8_t* config, uint32_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) config[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool ParseHex(const std::string& text, size_t digits, uint32_t* value) {
    if (text.size() != digits) return false;
    *value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        *value = *value * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                         ? c - '0'
                                                         : std::tolower(c) - 'a' + 10);
    }
    return true;
}

// "bb:dd.f" or "dddd:bb:dd.f" at the start of a heading line.
bool ParseHeading(const std::string& line, uint32_t* bus, uint32_t* device, uint32_t* function) {
    std::string slot = line.substr(0, line.find(' '));
    if (slot.size() == 12 && slot[4] == ':') slot = slot.substr(5);
    if (slot.size() != 7 || slot[2] != ':' || slot[5] != '.') return false;
    return ParseHex(slot.substr(0, 2), 2, bus) && ParseHex(slot.substr(3, 2), 2, device) &&
           ParseHex(slot.substr(6, 1), 1, function) && *device < 32 && *function < 8;
}

// Functions as the dump parser collects them, in ascending key order.
using FunctionMap = std::map<uint32_t, std::array<uint8_t, 256>>;

void StoreFunctions(const FunctionMap& functions, SimChipsetState* state) {
    state->functionCount = 0;
    for (const auto& [key, config] : functions) {
        SimFunction& f = state->functions[state->functionCount++];
        f.key = key;
        std::memcpy(f.config, config.data(), sizeof f.config);
    }
    state->address = 0;
}

}  // namespace

SimChipset::SimChipset() : own_(new SimChipsetState()), state_(own_.get()) { PowerOn(); }

SimChipset::SimChipset(SimChipsetState* state) : state_(state) {}

SimChipset::SimChipset(const SimChipset& other)
    : own_(new SimChipsetState(*other.state_)), state_(own_.get()) {}

SimChipset& SimChipset::operator=(const SimChipset& other) {
    if (this != &other) *state_ = *other.state_;
    return *this;
}

uint32_t SimChipset::Key(uint32_t bus, uint32_t device, uint32_t function) {
    return bus << 8 | device << 3 | function;
}

void SimChipset::PowerOn() {
    FunctionMap functions;
    for (const PowerOnRegister& r : kPowerOn) {
        auto& config = functions.try_emplace(Key(r.bus, r.device, r.function)).first->second;
        WriteDWord(config.data(), r.offset, r.value);
    }
    StoreFunctions(functions, state_);
}

bool SimChipset::LoadDump(const std::string& text, std::string* error) {
    FunctionMap loaded;
    std::array<uint8_t, 256>* current = nullptr;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Blank lines, and "#" lines that say where a dump came from.
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        uint32_t bus, device, function;
        if (line[0] != ' ' && line[0] != '\t' && ParseHeading(line, &bus, &device, &function)) {
            current = &loaded.try_emplace(Key(bus, device, function)).first->second;
            continue;
        }
        // "00: xx xx ... xx", sixteen bytes at the offset given.
        uint32_t offset;
        const size_t colon = line.find(':');
        if (colon == std::string::npos || !ParseHex(line.substr(0, colon), colon < 3 ? 2 : 3, &offset))
            return fail("expected a \"bb:dd.f\" heading or an \"xx: ...\" byte line");
        if (current == nullptr) return fail("bytes before the first heading");
        if (offset % 16 != 0) return fail("offset not a multiple of 16");
        std::istringstream bytes(line.substr(colon + 1));
        std::string byte;
        uint32_t count = 0;
        uint8_t row[16];
        while (bytes >> byte) {
            uint32_t value;
            if (count == 16 || !ParseHex(byte, 2, &value)) return fail("bad byte \"" + byte + "\"");
            row[count++] = static_cast<uint8_t>(value);
        }
        if (count != 16) return fail("a byte line needs sixteen bytes");
        // Extended configuration space is beyond mechanism #1's reach.
        if (offset < 256) std::memcpy(current->data() + offset, row, 16);
    }
    if (loaded.empty()) return fail("no function in the dump");
    if (loaded.size() > kSimMaxFunctions) return fail("more functions than the simulation holds");
    StoreFunctions(loaded, state_);
    return true;
}

std::string SimChipset::Dump() const {
    std::string text;
    char buffer[64];
    for (uint32_t i = 0; i < state_->functionCount; ++i) {
        const SimFunction& function = state_->functions[i];
        const uint32_t key = function.key;
        std::snprintf(buffer, sizeof buffer, "%02x:%02x.%x\n", key >> 8, (key >> 3) & 31, key & 7);
        text += buffer;
        for (uint32_t offset = 0; offset < 256; offset += 16) {
            std::snprintf(buffer, sizeof buffer, "%02x:", offset);
            text += buffer;
            for (uint32_t i = 0; i < 16; ++i) {
                std::snprintf(buffer, sizeof buffer, " %02x", function.config[offset + i]);
                text += buffer;
            }
            text += '\n';
        }
        text += '\n';
    }
    return text;
}

uint32_t SimChipset::ReadOnlyMask(uint32_t key, uint32_t offset) {
    uint32_t mask = 0;
    if (offset == 0x00 || offset == 0x08) mask = 0xFFFFFFFF;  // ids, revision and class
    if (offset == 0x0C) mask = 0x00FF0000;                     // header type
    for (const ReadOnlyBits& r : kReadOnly)
        if (Key(r.bus, r.device, r.function) == key && r.offset == offset) mask |= r.mask;
    return mask;
}

const SimFunction* SimChipset::Find(uint32_t key) const {
    for (uint32_t i = 0; i < state_->functionCount; ++i)
        if (state_->functions[i].key == key) return &state_->functions[i];
    return nullptr;
}

const SimFunction* SimChipset::Selected() const {
    if (!(state_->address & kEnable)) return nullptr;
    return Find((state_->address >> 8) & 0xFFFF);
}

uint32_t SimChipset::ConfigRead(uint32_t bus, uint32_t device, uint32_t function,
                                uint32_t offset) const {
    const SimFunction* f = Find(Key(bus, device, function));
    return f == nullptr ? 0xFFFFFFFF : ReadDWord(f->config, offset & 0xFC);
}

void SimChipset::Out(uint32_t port, uint32_t value, unsigned bytes) {
    if (port == kAddressPort && bytes == 4) {
        state_->address = value;
        return;
    }
    if (port < kDataPort || port + bytes > kDataPort + 4) return;
    SimFunction* f = const_cast<SimFunction*>(Selected());
    if (f == nullptr) return;
    const uint32_t offset = state_->address & 0xFC;
    const uint32_t shift = 8 * (port - kDataPort);
    const uint32_t laneMask = (bytes == 4 ? 0xFFFFFFFF : ((1u << (8 * bytes)) - 1)) << shift;
    const uint32_t writable = laneMask & ~ReadOnlyMask((state_->address >> 8) & 0xFFFF, offset);
    const uint32_t old = ReadDWord(f->config, offset);
    WriteDWord(f->config, offset, (old & ~writable) | ((value << shift) & writable));
}

uint32_t SimChipset::In(uint32_t port, unsigned bytes) const {
    const uint32_t all = bytes == 4 ? 0xFFFFFFFF : (1u << (8 * bytes)) - 1;
    if (port == kAddressPort && bytes == 4) return state_->address;
    if (port < kDataPort || port + bytes > kDataPort + 4) return all;
    const SimFunction* f = Selected();
    if (f == nullptr) return all;
    return (ReadDWord(f->config, state_->address & 0xFC) >> (8 * (port - kDataPort))) & all;
}
