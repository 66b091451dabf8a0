#include "model/field_catalogue.h"

#include <cstring>

#include "hw/concat.h"

const FieldChoice NoChoice = {"", 0};

namespace {

const FieldChoice OnOffChoices[] = {{"Enable", 1}, {"Disable", 0}};

const FieldChoice CountChoices[] = {
    {"0", 0},   {"1", 1},   {"2", 2},   {"3", 3},   {"4", 4},   {"5", 5},   {"6", 6},
    {"7", 7},   {"8", 8},   {"9", 9},   {"10", 10}, {"11", 11}, {"12", 12}, {"13", 13},
    {"14", 14}, {"15", 15}, {"16", 16}, {"17", 17}, {"18", 18}, {"19", 19}, {"20", 20},
    {"21", 21}, {"22", 22}, {"23", 23}, {"24", 24}, {"25", 25}, {"26", 26}, {"27", 27},
    {"28", 28}, {"29", 29}, {"30", 30}, {"31", 31},
};

const FieldChoice LatencyChoices[] = {
    {"16", 16},   {"32", 32},   {"64", 64},   {"96", 96},  {"128", 128},
    {"160", 160}, {"192", 192}, {"224", 224}, {"255", 255},
};

// The first Count records of a choice set, then the end mark.
template <size_t Count>
struct ChoiceRefs {
    const FieldChoice* refs[Count + 1];
};

template <size_t Count, size_t N>
constexpr ChoiceRefs<Count> FirstChoices(const FieldChoice (&set)[N]) {
    static_assert(Count <= N && Count <= kMaxChoices, "more choices than the set holds");
    ChoiceRefs<Count> list{};
    for (size_t i = 0; i < Count; ++i) list.refs[i] = &set[i];
    list.refs[Count] = &NoChoice;
    return list;
}

constexpr ChoiceRefs<2> kOnOff = FirstChoices<2>(OnOffChoices);
constexpr ChoiceRefs<4> kCount2 = FirstChoices<4>(CountChoices);
constexpr ChoiceRefs<8> kCount3 = FirstChoices<8>(CountChoices);
constexpr ChoiceRefs<16> kCount4 = FirstChoices<16>(CountChoices);
constexpr ChoiceRefs<32> kCount5 = FirstChoices<32>(CountChoices);
constexpr ChoiceRefs<9> kLatency = FirstChoices<9>(LatencyChoices);

constexpr PciRegister* DramTiming0 = &Register(RegisterId::DramTiming0);
constexpr PciRegister* DramTiming1 = &Register(RegisterId::DramTiming1);
constexpr PciRegister* DramAlphaTiming = &Register(RegisterId::DramAlphaTiming);
constexpr PciRegister* AgpControllerLatency = &Register(RegisterId::AgpControllerLatency);
constexpr PciRegister* AgpBusLatency = &Register(RegisterId::AgpBusLatency);
constexpr PciRegister* PciBusLatency = &Register(RegisterId::PciBusLatency);

}  // namespace

// Name, settings key, lowest bit, width, register, choices.
const RegisterField FieldCatalogue[kFieldCount] = {
    {"Auto Precharge", "AutoPrecharge", 17, 1, DramTiming0, {kOnOff.refs}},
    {"T(RC)", "Trc", 0, 5, DramTiming1, {kCount5.refs}},
    {"T(RFC)", "Trfc", 8, 5, DramTiming1, {kCount5.refs}},
    {"T(RAS)", "Tras", 15, 4, DramTiming1, {kCount4.refs}},
    {"T(RCD-R)", "Trcdr", 20, 3, DramTiming1, {kCount3.refs}},
    {"T(RCD-W)", "Trcdw", 24, 3, DramTiming1, {kCount3.refs}},
    {"T(RP)", "Trp", 28, 3, DramTiming1, {kCount3.refs}},
    {"T(DOE)", "Tdoe", 28, 3, DramAlphaTiming, {kCount3.refs}},
    {"T(RRD)", "Trrd", 24, 3, DramAlphaTiming, {kCount3.refs}},
    {"T(W2P)", "Tw2p", 20, 3, DramAlphaTiming, {kCount3.refs}},
    {"T(W2R)", "Tw2r", 16, 3, DramAlphaTiming, {kCount3.refs}},
    {"T(REXT)", "Trext", 12, 2, DramAlphaTiming, {kCount2.refs}},
    {"T(R2P)", "Tr2p", 8, 3, DramAlphaTiming, {kCount3.refs}},
    {"T(R2W)", "Tr2w", 4, 3, DramAlphaTiming, {kCount3.refs}},
    {"AGP Controller Latency", "AGPControllerLatency", 8, 8, AgpControllerLatency, {kLatency.refs}},
    {"AGP Bus Latency", "AGPBusLatency", 24, 8, AgpBusLatency, {kLatency.refs}},
    {"PCI Latency", "PCILatency", 24, 8, PciBusLatency, {kLatency.refs}},
};

uint32_t FieldMask(const RegisterField& field) {
    const uint32_t lowBits = static_cast<uint32_t>((uint64_t{1} << field.Width) - 1);
    return lowBits << field.Shift;
}

uint32_t GetFieldValue(const RegisterField& field) {
    return (field.Register->Value & FieldMask(field)) >> field.Shift;
}

void SetFieldValue(const RegisterField& field, uint32_t v) {
    const uint32_t mask = FieldMask(field);
    field.Register->Value = (field.Register->Value & ~mask) | ((v << field.Shift) & mask);
}

const FieldChoice* FindChoice(const RegisterField& field) {
    const uint32_t current = GetFieldValue(field);
    for (size_t i = 0; field.Choices[i] != &NoChoice; ++i) {
        if (static_cast<uint32_t>(field.Choices[i]->Value) == current) return field.Choices[i];
    }
    return &NoChoice;
}

size_t ChoiceCount(const RegisterField& field) {
    size_t count = 0;
    while (field.Choices[count] != &NoChoice) ++count;
    return count;
}

std::string FormatBinary(uint32_t v, uint32_t width) {
    std::string text;
    for (uint32_t i = 0; i < width; ++i) {
        text.insert(text.begin(), (v & 1) ? '1' : '0');
        v >>= 1;
    }
    return text;
}

std::string ChoiceDisplayLabel(const RegisterField& field, const FieldChoice& choice) {
    if (std::strcmp(choice.Label, "Reserved") != 0) return choice.Label;
    return Concat({choice.Label, " [", FormatBinary(static_cast<uint32_t>(choice.Value), field.Width), "b]"});
}
