// Splitting and comparing Windows paths as the code page they are written in has them.
// In the double-byte code pages of East Asia (932, 936, 949, 950) the byte of '\' is
// also the second byte of many characters ("ソ" is 83 5C in 932): a path is read
// character by character from its start, never searched for that byte from its end.
#pragma once
#include <cstddef>
#include <string>

// Whether a byte starts a two-byte character; the system's own test in the program
// (hw/code_page.h), any rule in the tests.
using LeadByteTest = bool (*)(unsigned char byte);

// For code pages of single-byte characters only.
bool NoLeadBytes(unsigned char byte);

// The place of the path's last separator ('\' or '/'), npos when it has none.
size_t LastSeparator(const std::string& path, LeadByteTest isLeadByte);

// Up to and including the last separator; empty when the path has none.
std::string FolderPart(const std::string& path, LeadByteTest isLeadByte);

// What follows the last separator: the whole path when it has none.
std::string NamePart(const std::string& path, LeadByteTest isLeadByte);

// The path as Windows compares names: separators unified and their runs folded, ASCII
// letters in lower case; the bytes of two-byte characters stay as they are. A leading
// pair of separators (a share's \\server) stays a pair.
std::string ComparablePath(const std::string& path, LeadByteTest isLeadByte);
