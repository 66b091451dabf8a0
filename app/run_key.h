// The "Quillon" value under the machine-wide Run key: the command Windows starts at
// every logon. Only this module reads or changes it.
#pragma once
#include <string>

enum class RunCommandState { Absent, Read, Unreadable };

struct RunCommand {
    RunCommandState state;
    std::string command;  // empty unless read
};

// The command the value holds. Unreadable: a value (or a key) is there, but no command
// can be had from it (no string, cannot be read or expanded); whatever it starts at
// logon is then unknown. Read with no more rights than any user has: the logon apply
// runs as whoever logs on.
RunCommand ReadRunCommand();

// Stores the command, creating the key if it must. False when the key can be neither
// opened nor created, or the value cannot be written (no administrative rights).
bool WriteRunCommand(const std::string& command);

enum class RunValueRemoval { Removed, Absent, Refused };

// Deletes the value. Absent: there was no key or no value. Refused: the value is there
// and stays (no rights to delete it, or the key cannot be opened for deleting).
RunValueRemoval DeleteRunCommand();
