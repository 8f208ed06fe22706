#include "drive_root.h"

namespace quarnpad {

bool is_drive_root(const std::string& text) {
  return text.size() == 3 && text[0] >= 'C' && text[0] <= 'Z' && text[1] == ':' &&
         text[2] == '\\';
}

std::string apply_drive_root(const std::string& text) {
  return is_drive_root(text) ? text.substr(0, 2) : text;
}

}  // namespace quarnpad
