#include "udf_names.h"

#include <cstdint>

#include "utf16.h"

namespace pdiset::udf {

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
  append_utf16be_as_utf8(bytes + 1, length - 1, utf8);
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
