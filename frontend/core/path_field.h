// What a path field holds before it goes onto a command line. Explorer's
// "Copy as path" gives a path in double quotes; no Windows name can hold a
// double quote, and one left in a field would end the quoted word early and
// let the rest of the field be read as options.
#pragma once

#include <string>

namespace quarnpad {

// The text without one pair of double quotes around it (blanks outside the
// quotes go with them); any other text comes back unchanged.
std::string without_surrounding_quotes(const std::string& text);

bool holds_double_quote(const std::string& text);

// Whether a file dropped on the main window is a set's first member: its
// name ends in ".pdi", ASCII letters in either case.
bool is_set_file(const std::string& path);

}  // namespace quarnpad
