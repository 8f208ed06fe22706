// The line that says why a quarnex run failed, taken from what it wrote on
// standard error.
#pragma once

#include <string>

namespace quarnpad {

// The last line that holds more than the RETURN prompt: line ends (LF or
// CR LF), bells and blanks at either end do not count. Empty when there is
// no such line.
std::string quarnex_error_line(const std::string& error_output);

}  // namespace quarnpad
