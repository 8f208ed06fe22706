#include "error_line.h"

namespace quarnpad {

namespace {

// quarnex ends every failure with this line, after a bell.
const char kReturnPrompt[] = "Hit <RETURN> to continue";

std::string trimmed(const std::string& line) {
  const char* ignored = " \t\r\a";
  std::string::size_type first = line.find_first_not_of(ignored);
  if (first == std::string::npos) return std::string();
  return line.substr(first, line.find_last_not_of(ignored) - first + 1);
}

}  // namespace

std::string quarnex_error_line(const std::string& error_output) {
  std::string found;
  std::string::size_type start = 0;
  while (start < error_output.size()) {
    std::string::size_type end = error_output.find('\n', start);
    if (end == std::string::npos) end = error_output.size();
    std::string line = trimmed(error_output.substr(start, end - start));
    if (!line.empty() && line != kReturnPrompt) found = line;
    start = end + 1;
  }
  return found;
}

}  // namespace quarnpad
