// Where the list run writes its list file: the user's temporary folder
// followed by "pdilist.txt" (the root of C: takes no new files from an
// ordinary user on current Windows).
#pragma once

#include <string>

namespace quarnpad {

// temp_folder as the system reports it, normally ending in a backslash;
// one is added when it ends in neither a backslash nor a slash. Without a temporary folder the file
// falls back to the root of drive C:.
std::string list_file_path(const std::string& temp_folder);

}  // namespace quarnpad
