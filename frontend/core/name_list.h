// The names passed on to a selected-files run, taken from the entries of
// the file list ("VIDEO_TS.IFO;1 12288" passes "VIDEO_TS.IFO;1").
#pragma once

#include <string>
#include <vector>

namespace quarnpad {

// The entry's text before its first blank; an entry without a blank is
// passed whole.
std::string entry_name(const std::string& entry);

// One blank and the name of every selected entry, in list order whatever
// the order of selection. selected[i] belongs to entries[i]; missing flags
// count as not selected. Nothing selected gives an empty text.
std::string build_name_list(const std::vector<std::string>& entries,
                            const std::vector<bool>& selected);

}  // namespace quarnpad
