// Splitting and counting the lines of a text a test read from a file or a log.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Every line, without its line end (a carriage return before it included).
std::vector<std::string> Lines(const std::string& text);
// The same, with blank lines left out.
std::vector<std::string> NonBlankLines(const std::string& text);
// The lines joined with the CR LF line ends Windows text files use.
std::string WindowsLines(const std::vector<std::string>& lines);
// Complete lines: the line ends the text holds.
size_t LineCount(const std::string& text);
size_t Occurrences(const std::string& text, const std::string& what);
