#include "name_list.h"

namespace quarnpad {

std::string entry_name(const std::string& entry) {
  std::string::size_type blank = entry.find(' ');
  return blank == std::string::npos ? entry : entry.substr(0, blank);
}

std::string build_name_list(const std::vector<std::string>& entries,
                            const std::vector<bool>& selected) {
  std::string names;
  for (std::size_t i = 0; i < entries.size() && i < selected.size(); ++i) {
    if (selected[i]) names += " " + entry_name(entries[i]);
  }
  return names;
}

}  // namespace quarnpad
