// The quarnex command lines. Every path becomes one word in double quotes
// that quarnex's own splitting gives back exactly: nothing is trimmed or
// checked here, an empty path gives "", and a path that ends in backslashes
// gets one more so that the closing quote still closes (quarnex drops the
// second of two backslashes before a quote). Paths hold no double quote;
// the windows refuse them first (path_field.h).
#pragma once

#include <string>

namespace quarnpad {

// One path as a quoted word of the command line.
std::string quoted_word(const std::string& path);

// prefix "destination" "image"  (extract-all and convert-to-iso)
std::string compose_run(const std::string& prefix, const std::string& destination,
                        const std::string& image);

// quarnex -gb "list file" "image"
std::string compose_list_run(const std::string& list_file, const std::string& image);

// prefix "destination" "image" followed by the name list, which already
// starts every name with its blank.
std::string compose_selected_run(const std::string& prefix,
                                 const std::string& destination,
                                 const std::string& image,
                                 const std::string& name_list);

}  // namespace quarnpad
