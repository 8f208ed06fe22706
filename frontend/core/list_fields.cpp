#include "list_fields.h"

namespace quarnpad {

namespace {

bool at_line_end(const std::string& text, std::size_t pos) {
  return text[pos] == '\r' || text[pos] == '\n';
}

// Consumes a comma or one line end (CR LF counts as one) at pos.
std::size_t skip_separator(const std::string& text, std::size_t pos) {
  if (pos >= text.size()) return pos;
  if (text[pos] == ',') return pos + 1;
  if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') return pos + 2;
  return pos + 1;
}

std::size_t field_end(const std::string& text, std::size_t pos) {
  while (pos < text.size() && text[pos] != ',' && !at_line_end(text, pos)) ++pos;
  return pos;
}

}  // namespace

std::vector<std::string> read_fields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos < text.size() && text[pos] == '"') {
      std::size_t close = text.find('"', pos + 1);
      if (close == std::string::npos) close = text.size();
      fields.push_back(text.substr(pos + 1, close - pos - 1));
      pos = field_end(text, close < text.size() ? close + 1 : close);
    } else {
      std::size_t end = field_end(text, pos);
      fields.push_back(text.substr(pos, end - pos));
      pos = end;
    }
    pos = skip_separator(text, pos);
  }
  return fields;
}

}  // namespace quarnpad
