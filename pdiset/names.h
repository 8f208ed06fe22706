// Names of the files written for directory entries, and which names are
// safe to write.
#pragma once

#include <string>

namespace pdiset {

// The name as ISO 9660 readers present it: the recorded identifier less a
// final ";" and version number, then less a final "." left bare.
std::string output_file_name(const std::string& recorded);

// Which characters a file name may not hold besides "/".
enum class NameRules {
  kPosix,    // "/" only
  kWindows,  // also "\", ":", "*", "?", "\"", "<", ">", "|" and control characters
};

// The rules of the system this program runs on (names_posix.cpp / names_win32.cpp).
NameRules host_name_rules();

// False for a name that would place the file outside the output directory
// or that the system cannot hold: empty, ".", "..", or holding a separator
// or another forbidden character.
bool is_safe_output_name(const std::string& name, NameRules rules);

// The name with control characters shown as "?", for messages.
std::string printable_name(const std::string& name);

// Letter case folded for the ASCII letters A to Z only, alike on every
// system and in every locale.
char fold_ascii_case(char c);
std::string fold_ascii_case(std::string text);
bool equal_ignoring_ascii_case(const std::string& a, const std::string& b);
bool starts_with_ignoring_ascii_case(const std::string& text, const std::string& head);
bool ends_with_ignoring_ascii_case(const std::string& text, const std::string& tail);

// name when it already ends in extension (letter case aside), otherwise
// name followed by it: "movie" and ".pdi" give "movie.pdi".
std::string with_extension(const std::string& name, const std::string& extension);
// name less a final extension (letter case aside) when something comes
// before it: "movie.PDI" and ".pdi" give "movie".
std::string without_extension(const std::string& name, const std::string& extension);

}  // namespace pdiset
