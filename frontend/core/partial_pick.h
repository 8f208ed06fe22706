// Deleting the members of a set after extracting only some of its files
// loses the others: the members hold every file's bytes.
#pragma once

#include <cstddef>

namespace quarnpad {

// Whether a selected-files run must ask before it deletes: delete is set
// and fewer files are picked than the list holds.
bool deleting_loses_files(bool delete_set, std::size_t picked, std::size_t listed);

}  // namespace quarnpad
