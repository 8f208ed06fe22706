#include "iso_names.h"

#include "utf16.h"

namespace pdiset {

std::string plain_name(const std::string& identifier) {
  std::string name = identifier;
  size_t semicolon = name.rfind(';');
  if (semicolon != std::string::npos &&
      name.find_first_not_of("0123456789", semicolon + 1) == std::string::npos)
    name.resize(semicolon);
  if (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

std::string joliet_name(const std::string& identifier) {
  std::string out;
  append_utf16be_as_utf8(reinterpret_cast<const unsigned char*>(identifier.data()), identifier.size(), &out);
  return plain_name(out);
}

}  // namespace pdiset
