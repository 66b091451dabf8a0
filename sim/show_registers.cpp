// Prints the six registers Quillon tunes, and their fields, as a simulated chipset
// state file holds them (power-on contents when the file does not exist yet).
// Usage: show_registers [state-file]
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "hw/pci_registers.h"
#include "hw/port_io.h"
#include "model/field_catalogue.h"
#include "sim/chipset.h"

namespace {

SimChipset chipset;

bool Available() { return true; }
void WriteDWord(uint32_t port, uint32_t value) { chipset.Out(port, value, 4); }
uint32_t ReadDWord(uint32_t port) { return chipset.In(port, 4); }
// One process, one thread: nothing to hold the ports against.
void HoldNothing() {}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        std::ifstream in(argv[1], std::ios::binary);
        if (in) {
            std::ostringstream text;
            text << in.rdbuf();
            std::string error;
            if (!chipset.LoadDump(text.str(), &error)) {
                std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
                return 1;
            }
        }
    }
    SetPortOperations({Available, WriteDWord, ReadDWord, HoldNothing, HoldNothing, nullptr});
    ReadAllRegisters();
    for (const PciRegister& reg : RegisterTable) {
        std::printf("%02x:%02x.%x+%02x  %08x  %s\n", reg.Bus, reg.Device, reg.Function, reg.Offset,
                    reg.Value, reg.Name);
        for (const RegisterField& field : FieldCatalogue) {
            if (field.Register != &reg) continue;
            const FieldChoice* choice = FindChoice(field);
            std::printf("    %-24s %3u  %s\n", field.Name, GetFieldValue(field),
                        choice == &NoChoice ? "UNKNOWN" : ChoiceDisplayLabel(field, *choice).c_str());
        }
    }
    return 0;
}
