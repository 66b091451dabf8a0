// Texts of the program's message boxes that need no platform.
#pragma once
#include <string>

// An uncaught error's message as the standard error box shows it: a full stop is
// appended unless the message already ends in one or in any character at or below
// it in byte order (blank, comma, hyphen, closing bracket ...).
std::string ErrorBoxText(const std::string& message);
