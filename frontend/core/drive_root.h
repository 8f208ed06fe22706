// The drive-root rule: a destination that is exactly an upper-case drive
// letter C to Z, a colon and a backslash loses its backslash ("D:\" -> "D:"),
// because quarnex would read the backslash before the closing quote as an
// escaped quote.
#pragma once

#include <string>

namespace quarnpad {

bool is_drive_root(const std::string& text);

// The text the destination box is to hold after the rule.
std::string apply_drive_root(const std::string& text);

}  // namespace quarnpad
