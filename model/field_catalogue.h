// The seventeen bit fields Quillon shows, saves and loads, each with its ordered
// choices. Fields hold no values: they read and change bits of their register's
// cached value in the register table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "hw/pci_registers.h"

struct FieldChoice {
    char Label[32];
    int32_t Value;  // the field's bit pattern, right-aligned
};

// Ends every choice list and stands for "no choice matches". Recognised by identity.
extern const FieldChoice NoChoice;

constexpr size_t kMaxChoices = 256;

// References to shared choice records in display order, ended by &NoChoice. The
// references live in a static array of their own, just long enough for the field.
struct ChoiceList {
    const FieldChoice* const* refs;
    const FieldChoice* operator[](size_t i) const { return refs[i]; }
};

struct RegisterField {
    char Name[32];  // caption beside the field's list
    char Key[32];   // key in a settings file
    uint32_t Shift;
    uint32_t Width;  // 1 to 8 bits
    PciRegister* Register;
    ChoiceList Choices;
};

constexpr size_t kFieldCount = 17;

// In the order of the window's rows and of every save and load.
extern const RegisterField FieldCatalogue[kFieldCount];

// The mask of the field's bits within its register.
uint32_t FieldMask(const RegisterField& field);
// The field's bits of the cached register value, shifted down (never negative).
uint32_t GetFieldValue(const RegisterField& field);
// Replaces the field's bits of the cached value; bits of v above the field's width
// are dropped so neighbouring fields can never be disturbed. No hardware access.
void SetFieldValue(const RegisterField& field, uint32_t v);
// The first choice whose value equals the field's current bits, or &NoChoice.
const FieldChoice* FindChoice(const RegisterField& field);
// Number of choices before the end mark.
size_t ChoiceCount(const RegisterField& field);

// The low `width` bits of v as "0"/"1", most significant first.
std::string FormatBinary(uint32_t v, uint32_t width);
// The text shown for a choice in the field's list.
std::string ChoiceDisplayLabel(const RegisterField& field, const FieldChoice& choice);
