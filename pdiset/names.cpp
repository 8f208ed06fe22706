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

char fold_ascii_case(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string fold_ascii_case(std::string text) {
  for (char& c : text) c = fold_ascii_case(c);
  return text;
}

static bool equal_folded(const char* a, const char* b, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (fold_ascii_case(a[i]) != fold_ascii_case(b[i])) return false;
  return true;
}

bool equal_ignoring_ascii_case(const std::string& a, const std::string& b) {
  return a.size() == b.size() && equal_folded(a.data(), b.data(), a.size());
}

bool starts_with_ignoring_ascii_case(const std::string& text, const std::string& head) {
  return text.size() >= head.size() && equal_folded(text.data(), head.data(), head.size());
}

bool ends_with_ignoring_ascii_case(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && equal_folded(text.data() + text.size() - tail.size(), tail.data(), tail.size());
}

std::string with_extension(const std::string& name, const std::string& extension) {
  return ends_with_ignoring_ascii_case(name, extension) ? name : name + extension;
}

std::string without_extension(const std::string& name, const std::string& extension) {
  if (name.size() <= extension.size() || !ends_with_ignoring_ascii_case(name, extension)) return name;
  return name.substr(0, name.size() - extension.size());
}

}  // namespace pdiset
