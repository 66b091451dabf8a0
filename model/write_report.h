// One write of all registers, told as it happened: what the hardware held before, what
// was written, what it kept. From it come the report of the fields the chipset refused
// and the entry of the write log, from which a user can always go back to the values
// the firmware set.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "hw/pci_registers.h"

using RegisterValues = std::array<uint32_t, kRegisterCount>;

struct RegisterWrite {
    RegisterValues before;    // the hardware's values at their last read
    RegisterValues written;   // the cached values the write put out
    RegisterValues readBack;  // what the hardware held afterwards
    // What the window found wrong with the timings written (the user wrote them all the
    // same), a line each, each ended by CR LF; none for a file or logon apply, which tell
    // no clocks.
    std::string warnings;
};

// WriteAllRegisters, noting what it takes to tell it. Propagates the port lock's error
// (nothing was written then).
RegisterWrite WriteAllRegistersNoted();

// One line for each field, of a register that was written, whose value read back
// differs from the value written; empty when the chipset kept every field.
std::string RefusedFieldsText(const RegisterWrite& write);

// How a write was asked for, as the log names it.
enum class WriteOrigin { Window, File, Logon };

// The log's entry for one write: the local time, how it was asked for and the file
// applied, then a line for each register written (address, before, written, read back)
// and one for each warning.
std::string WriteLogEntry(const RegisterWrite& write, const std::string& localTime,
                          WriteOrigin origin, const std::string& settingsPath);

// The log after the entry is added: when it would pass `limit` bytes, its oldest half
// goes first (whole entries only).
std::string LogWithEntry(const std::string& log, const std::string& entry, size_t limit);

// Whether the log's last entry of a write says the chipset held `live` after it: every
// register it names read back as `live` has it. Registers that still hold what Quillon
// last wrote are not the firmware's, whatever else tells of a new boot. False when the
// log tells of no write.
bool HoldsLastLoggedWrite(const std::string& log, const RegisterValues& live);

// The log's note that the boot's first read could not be saved as its snapshot: the
// values themselves, one line a register, so that the log keeps them all the same.
std::string BootValuesNote(const RegisterValues& firstRead, const std::string& localTime,
                           const std::string& snapshotPath);

constexpr size_t kWriteLogLimit = 256 * 1024;
