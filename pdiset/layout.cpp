#include "layout.h"

#include <cstdio>
#include <cstdlib>

#include "names.h"

namespace pdiset {

std::string member_file_name(const std::string& set_name, int index) {
  if (index == 0) return set_name;
  char number[16];
  snprintf(number, sizeof number, "%02i", index);
  return set_name + number;
}

int member_index(const std::string& file_name, std::string* set_name) {
  size_t digits_at = file_name.find_last_not_of("0123456789") + 1;
  const std::string digits = file_name.substr(digits_at), first = file_name.substr(0, digits_at);
  if (!ends_with_ignoring_ascii_case(first, kSetExtension)) return -1;
  int index = 0;
  if (!digits.empty()) {
    if (digits.size() > 9) return -1;
    index = atoi(digits.c_str());
    // Only the number as the member names write it: "pdi01", never "pdi1" or "pdi001".
    if (index == 0 || member_file_name(first, index) != file_name) return -1;
  }
  *set_name = first;
  return index;
}

}  // namespace pdiset
