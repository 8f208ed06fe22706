#include "layout.h"

#include <cstdio>

namespace pdiset {

std::string member_file_name(const std::string& set_name, int index) {
  if (index == 0) return set_name;
  char number[16];
  snprintf(number, sizeof number, "%02i", index);
  return set_name + number;
}

}  // namespace pdiset
