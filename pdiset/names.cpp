#include "names.h"

namespace pdiset {

std::string output_file_name(const std::string& recorded) {
  std::string name = recorded;
  size_t semicolon = name.rfind(';');
  if (semicolon != std::string::npos && semicolon + 1 < name.size() &&
      name.find_first_not_of("0123456789", semicolon + 1) == std::string::npos)
    name.resize(semicolon);
  if (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

static bool is_forbidden(unsigned char c, NameRules rules) {
  if (c == '/' || c == 0) return true;
  if (rules == NameRules::kPosix) return false;
  if (c < 32) return true;
  switch (c) {
    case '\\': case ':': case '<': case '>': case '"': case '|': case '?': case '*':
      return true;
  }
  return false;
}

bool is_safe_output_name(const std::string& name, NameRules rules) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (is_forbidden(c, rules)) return false;
  return true;
}

std::string printable_name(const std::string& name) {
  std::string shown = name;
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  return shown;
}

static char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_ascii_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

}  // namespace pdiset
