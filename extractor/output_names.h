// Names of the files written for directory entries.
#pragma once

#include <string>

// The name as ISO 9660 readers present it: the recorded identifier less a
// final ";" and version number, then less a final "." left bare.
std::string output_file_name(const std::string& recorded);

// False for a name that would place the file outside the output directory
// or that the system cannot hold: empty, ".", "..", or holding a separator
// or another forbidden character.
bool is_safe_output_name(const std::string& name);

// The name with control characters shown as "?", for messages.
std::string printable_name(const std::string& name);
