// Settings files (.qln): complete sets of the seventeen field values as INI text,
// read and written through the Windows profile functions, with the [Machine] section
// that says which chipset and board they were made on.
#pragma once
#include <cstddef>
#include <string>

#include "model/machine_profile.h"

// Writes every field of the catalogue from the cached register values, and this
// machine's [Machine] keys; fields of a device that is absent here are left out. The
// file is replaced whole or not at all: on a failure the old file stays as it was.
// Sections and keys we do not know are kept.
bool SaveSettings(const char* path);

// Reads every field the file validly names into the cached register values (never the
// hardware). True when the job ran to its end; a missing file changes nothing. A file
// that is there but cannot be read (denied, locked) fails.
bool LoadSettings(const char* path);

// The lines naming every [Machine] key of the file that differs from this machine;
// empty when it fits, names none, or cannot be read.
std::string MachineDifferencesOfFile(const char* path);

// A key SaveSettingsNoting writes besides the fields and [Machine].
struct SettingsNote {
    const char* section;
    const char* key;
    std::string value;
};

// SaveSettings, with the notes written in the same replacement of the file.
bool SaveSettingsNoting(const char* path, const SettingsNote* notes, size_t noteCount);

// The field values a settings file names, as one text ("Section.Key=value" lines, in
// the catalogue's order): two files with the same text hold the same tuning. Empty
// when the file is not there.
std::string TuningTextOfFile(const char* path);

// The text of one key of a settings file; empty when the file, or the key, is not there.
std::string SettingsFileText(const char* path, const char* section, const char* key);

// Puts a file's new content in place of the old one in one step: `writeContent` writes
// it to a file beside the target (which starts as a copy of the target), handed
// `context`, and only when that succeeds does the new file replace the old. False, with
// the old file untouched and nothing left beside it, when anything fails. Settings
// files are saved this way, and the write log trimmed.
bool WriteSettingsFileWhole(const char* path, bool (*writeContent)(const char* contentPath, const void* context),
                            const void* context);
