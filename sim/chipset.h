// A simulated chipset behind PCI configuration mechanism #1, for trying and testing
// Quillon without touching real hardware. Its state reads from and writes to the
// hex-dump text of `lspci -xxx`, so a dump of a real machine can be rehearsed on.
#pragma once
#include <cstdint>
#include <map>
#include <string>

class SimChipset {
public:
    // Power-on contents: host bridge 0:0.0, memory controller 0:0.1,
    // PCI bridge 0:8.0 and AGP bridge 0:30.0.
    SimChipset();

    // Replaces the whole state by a dump. On malformed text returns false, leaves the
    // state as it was and says why in *error.
    bool LoadDump(const std::string& text, std::string* error);
    std::string Dump() const;

    void PowerOn();

    // Port access as the CPU sees it. Only the address latch (0xCF8, doubleword) and
    // the data window (0xCFC-0xCFF) are decoded; other ports float high.
    void Out(uint32_t port, uint32_t value, unsigned bytes);
    uint32_t In(uint32_t port, unsigned bytes) const;

    uint32_t ConfigRead(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset) const;

private:
    struct Function {
        uint8_t config[256];
    };
    static uint32_t Key(uint32_t bus, uint32_t device, uint32_t function);
    const Function* Selected() const;
    static uint32_t ReadOnlyMask(uint32_t key, uint32_t offset);

    std::map<uint32_t, Function> functions_;
    uint32_t address_ = 0;
};
