// A simulated chipset behind PCI configuration mechanism #1, for trying and testing
// Quillon without touching real hardware. Its state reads from and writes to the
// hex-dump text of `lspci -xxx`, so a dump of a real machine can be rehearsed on.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

constexpr uint32_t kSimMaxFunctions = 256;

struct SimFunction {
    uint32_t key;  // bus << 8 | device << 3 | function
    uint8_t config[256];
};

// The whole chipset as plain data without pointers, so that one copy can be shared by
// every process that uses it, as the hardware is.
struct SimChipsetState {
    uint32_t address;  // the latch at 0xCF8
    uint32_t functionCount;
    SimFunction functions[kSimMaxFunctions];  // ascending keys
};

class SimChipset {
public:
    // Power-on contents, in a state of its own: host bridge 0:0.0, memory controller
    // 0:0.1, PCI bridge 0:8.0 and AGP bridge 0:30.0.
    SimChipset();
    // Works on a state kept elsewhere (shared memory), taking it as it is.
    explicit SimChipset(SimChipsetState* state);
    // A copy has a state of its own with the other's contents.
    SimChipset(const SimChipset& other);
    SimChipset& operator=(const SimChipset& other);

    // Replaces the whole state by a dump; lines starting with "#" are comments. On
    // malformed text, or more functions than the
    // state holds, returns false, leaves the state as it was and says why in *error.
    bool LoadDump(const std::string& text, std::string* error);
    std::string Dump() const;

    void PowerOn();

    // Port access as the CPU sees it. Only the address latch (0xCF8, doubleword) and
    // the data window (0xCFC-0xCFF) are decoded; other ports float high.
    void Out(uint32_t port, uint32_t value, unsigned bytes);
    uint32_t In(uint32_t port, unsigned bytes) const;

    uint32_t ConfigRead(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset) const;

private:
    static uint32_t Key(uint32_t bus, uint32_t device, uint32_t function);
    const SimFunction* Find(uint32_t key) const;
    const SimFunction* Selected() const;
    static uint32_t ReadOnlyMask(uint32_t key, uint32_t offset);

    std::unique_ptr<SimChipsetState> own_;
    SimChipsetState* state_;
};
