// Messages and log lines are put together from many pieces. `a + b + c` on
// std::string makes a temporary string per `+`, each with its own clean-up code at
// every such line; Concat sizes the result once and appends each piece.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

std::string Concat(std::initializer_list<std::string_view> pieces);
