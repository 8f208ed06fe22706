#include "iso_name.h"

namespace quarnpad {

namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string iso_output_name(const std::string& chosen) {
  const std::string extension = ".iso";
  if (chosen.size() >= extension.size()) {
    bool ends_in_it = true;
    std::size_t start = chosen.size() - extension.size();
    for (std::size_t i = 0; i < extension.size(); ++i) {
      ends_in_it = ends_in_it && ascii_lower(chosen[start + i]) == extension[i];
    }
    if (ends_in_it) return chosen;
  }
  return chosen + extension;
}

}  // namespace quarnpad
