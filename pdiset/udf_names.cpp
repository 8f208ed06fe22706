#include "udf_names.h"

#include <cstdint>

namespace pdiset::udf {

namespace {

void append_utf8(uint32_t c, std::string* out) {
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

bool compressed_unicode_to_utf8(const unsigned char* bytes, size_t length, std::string* utf8) {
  utf8->clear();
  if (length == 0) return true;
  // 8 and 16 are the compression bytes of every revision; 254 and 255 are
  // the same widths in names of UDF 2.50 and later.
  unsigned id = bytes[0];
  if (id == 8 || id == 254) {
    for (size_t i = 1; i < length; ++i) append_utf8(bytes[i], utf8);
    return true;
  }
  if (id != 16 && id != 255) return false;
  for (size_t i = 1; i + 1 < length; i += 2) {
    uint32_t c = uint32_t(bytes[i]) << 8 | bytes[i + 1];
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < length) {
      uint32_t low = uint32_t(bytes[i + 2]) << 8 | bytes[i + 3];
      if (low >= 0xDC00 && low < 0xE000) {
        append_utf8(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), utf8);
        i += 2;
        continue;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
    append_utf8(c, utf8);
  }
  return true;
}

bool symlink_target(const unsigned char* bytes, size_t length, std::string* target) {
  target->clear();
  size_t at = 0;
  while (at < length) {
    if (length - at < 4) return false;
    unsigned type = bytes[at], name_length = bytes[at + 1];
    if (name_length > length - at - 4) return false;
    const unsigned char* name = bytes + at + 4;
    at += 4 + name_length;
    std::string part;
    switch (type) {
      case 1:  // a root agreed between writer and reader: with a name, ignored
        if (name_length > 0) continue;
        [[fallthrough]];
      case 2:
        *target = "/";
        continue;
      case 3:
        part = "..";
        break;
      case 4:
        part = ".";
        break;
      case 5:
        if (!compressed_unicode_to_utf8(name, name_length, &part)) return false;
        break;
      default:
        return false;
    }
    if (!target->empty() && target->back() != '/') target->push_back('/');
    *target += part;
  }
  return true;
}

}  // namespace pdiset::udf
