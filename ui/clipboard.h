// Plain text onto the clipboard.
#pragma once
#include <windows.h>

#include <string>

// Puts the text on the clipboard in the ANSI text format, replacing what it held.
// False when the clipboard cannot be opened or takes no data (another program holds it).
bool PutTextOnClipboard(HWND owner, const std::string& text);
