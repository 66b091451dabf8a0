// The system's ANSI code page, in which the program's paths are written.
#pragma once

// Whether the byte starts a two-byte character in that code page.
bool IsSystemLeadByte(unsigned char byte);
