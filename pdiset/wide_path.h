// Windows only: names are UTF-8 inside our programs and UTF-16 in the
// system's wide file calls, so every name Windows allows can be opened.
#pragma once

#include <string>

namespace pdiset {

// path as UTF-16. A text that is not valid UTF-8 (bytes taken from a disc
// as they are recorded) is read in the system's code page, as the narrow
// file calls read it.
std::wstring wide_path(const char* path);

}  // namespace pdiset
