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

// Compares ignoring the case of the ASCII letters A to Z only.
bool equal_ignoring_ascii_case(const std::string& a, const std::string& b);

}  // namespace pdiset
