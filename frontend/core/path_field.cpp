#include "path_field.h"

namespace quarnpad {

std::string without_surrounding_quotes(const std::string& text) {
  std::string::size_type first = text.find_first_not_of(" \t");
  std::string::size_type last = text.find_last_not_of(" \t");
  if (first == std::string::npos || last == first || text[first] != '"' || text[last] != '"') {
    return text;
  }
  return text.substr(first + 1, last - first - 1);
}

bool holds_double_quote(const std::string& text) { return text.find('"') != std::string::npos; }

bool is_set_file(const std::string& path) {
  const std::string extension = ".pdi";
  if (path.size() <= extension.size()) return false;
  std::string::size_type start = path.size() - extension.size();
  for (std::string::size_type i = 0; i < extension.size(); ++i) {
    char c = path[start + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != extension[i]) return false;
  }
  return true;
}

}  // namespace quarnpad
