// The line that says why a quarnex run failed, taken from what it wrote on
// standard error, and what quarnex was writing when it stopped.
#pragma once

#include <string>

namespace quarnpad {

// The last line that holds more than the RETURN prompt: line ends (LF or
// CR LF), bells and blanks at either end do not count. Empty when there is
// no such line.
std::string quarnex_error_line(const std::string& error_output);

// A failure line cut in two. quarnex starts each output's line with
// "writing PATH (N extents) ", dots and "(MEMBER)" notes as it goes, and a
// failure on the way is printed right after them: the progress text is that
// start, the reason is the rest.
struct FailureLine {
  std::string reason;
  std::string progress;  // empty when the line is only a reason
};
FailureLine split_failure_line(const std::string& line);

// The output quarnex was writing when its standard error ends: the PATH of
// a last "writing PATH (N extents) " line that no line end closed. Empty
// when every output it began was finished.
std::string output_being_written(const std::string& error_output);

}  // namespace quarnpad
