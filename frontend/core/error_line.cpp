#include "error_line.h"

#include <cctype>

namespace quarnpad {

namespace {

// quarnex ends every failure with this line, after a bell.
const char kReturnPrompt[] = "Hit <RETURN> to continue";
const char kWriting[] = "writing ";

std::string trimmed(const std::string& line) {
  const char* ignored = " \t\r\a";
  std::string::size_type first = line.find_first_not_of(ignored);
  if (first == std::string::npos) return std::string();
  return line.substr(first, line.find_last_not_of(ignored) - first + 1);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where " (N extents) " ends when it starts at at, else npos.
std::string::size_type extents_end(const std::string& text, std::string::size_type at) {
  if (text.compare(at, 2, " (") != 0) return std::string::npos;
  std::string::size_type i = at + 2;
  std::string::size_type digits = i;
  if (i < text.size() && text[i] == '-') ++i;
  while (i < text.size() && is_digit(text[i])) ++i;
  if (i == digits) return std::string::npos;
  const std::string tail = " extents) ";
  if (text.compare(i, tail.size(), tail) != 0) return std::string::npos;
  return i + tail.size();
}

// The PATH of "writing PATH (N extents) " and where that start ends; false
// when the text does not begin so.
bool writing_start(const std::string& text, std::string* path, std::string::size_type* end) {
  const std::string writing = kWriting;
  if (text.compare(0, writing.size(), writing) != 0) return false;
  for (std::string::size_type at = writing.size(); at < text.size(); ++at) {
    std::string::size_type after = extents_end(text, at);
    if (after == std::string::npos) continue;
    *path = text.substr(writing.size(), at - writing.size());
    *end = after;
    return true;
  }
  return false;
}

// Where a member note "(NAME.pdiNN)" starting at at ends, else npos.
std::string::size_type member_note_end(const std::string& text, std::string::size_type at) {
  if (at >= text.size() || text[at] != '(') return std::string::npos;
  for (std::string::size_type close = text.find(')', at); close != std::string::npos;
       close = text.find(')', close + 1)) {
    std::string::size_type i = close;
    while (i > at && is_digit(text[i - 1])) --i;
    if (i == close || i < at + 5) continue;
    std::string extension = text.substr(i - 4, 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".pdi") return close + 1;
  }
  return std::string::npos;
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

FailureLine split_failure_line(const std::string& line) {
  std::string path;
  std::string::size_type at = 0;
  writing_start(line, &path, &at);
  // Dots and member notes go with the progress text.
  while (at < line.size()) {
    if (line[at] == '.') {
      ++at;
      continue;
    }
    std::string::size_type note = member_note_end(line, at);
    if (note == std::string::npos) break;
    at = note;
  }
  FailureLine split = {trimmed(line.substr(at)), trimmed(line.substr(0, at))};
  if (split.reason.empty()) split = FailureLine{trimmed(line), std::string()};
  return split;
}

std::string output_being_written(const std::string& error_output) {
  std::string::size_type last_end = error_output.rfind('\n');
  std::string last = last_end == std::string::npos ? error_output : error_output.substr(last_end + 1);
  std::string path;
  std::string::size_type end = 0;
  return writing_start(last, &path, &end) ? path : std::string();
}

}  // namespace quarnpad
