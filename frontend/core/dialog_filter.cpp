#include "dialog_filter.h"

namespace quarnpad {

std::string dialog_filter(const std::string& bar_separated) {
  std::string filter = bar_separated;
  for (char& c : filter) {
    if (c == '|') c = '\0';
  }
  filter += '\0';
  filter += '\0';
  return filter;
}

}  // namespace quarnpad
