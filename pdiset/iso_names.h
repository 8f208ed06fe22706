// The names an ISO 9660 tree shows when Rock Ridge gives none: the plain
// identifier, or the Joliet one (UCS-2 big-endian), without its version.
#pragma once

#include <string>

namespace pdiset {

// "README.TXT;1" -> "README.TXT", "EMPTY.;1" -> "EMPTY", "A." -> "A": the
// version (";" and digits) and then one trailing "." removed.
std::string plain_name(const std::string& identifier);

// A Joliet identifier (UCS-2 big-endian, surrogate pairs joined, anything
// else unpaired read as U+FFFD) in UTF-8, then as plain_name. An odd last
// byte is dropped.
std::string joliet_name(const std::string& identifier);

}  // namespace pdiset
