// The quarnex command lines. Paths go in double quotes exactly as typed:
// nothing is trimmed, escaped or checked, and an empty path gives "".
#pragma once

#include <string>

namespace quarnpad {

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
