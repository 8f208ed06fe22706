#include "iso_names.h"

#include <cstdint>

namespace pdiset {

namespace {

void put_utf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | c >> 6));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | c >> 12));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | c >> 18));
    out->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

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
  const size_t units = identifier.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(identifier[2 * i]) << 8 |
                                 static_cast<unsigned char>(identifier[2 * i + 1]));
  };
  for (size_t i = 0; i < units; ++i) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    put_utf8(c, &out);
  }
  return plain_name(out);
}

}  // namespace pdiset
