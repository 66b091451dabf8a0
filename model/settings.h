// Settings files (.qln): complete sets of the seventeen field values as INI text,
// read and written through the Windows profile functions.
#pragma once

// Writes every field of the catalogue from the cached register values. True when every
// write succeeded; on a failure the keys already written stay in the file.
bool SaveSettings(const char* path);

// Reads every field the file validly names into the cached register values (never the
// hardware). True when the job ran to its end; a missing file changes nothing.
bool LoadSettings(const char* path);
