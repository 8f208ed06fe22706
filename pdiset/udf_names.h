// UDF names: OSTA compressed Unicode (8-bit or 16-bit big-endian characters
// after a compression byte) turned into UTF-8, and symbolic link targets
// recorded as path components.
#pragma once

#include <cstddef>
#include <string>

namespace pdiset::udf {

// The UTF-8 form of length bytes of compressed Unicode. False for an
// unknown compression byte. 16-bit names are UTF-16 (pairs joined); a lone
// surrogate becomes U+FFFD. At most 254 characters come from a name field,
// so the result stays under 1 KiB for any file identifier.
bool compressed_unicode_to_utf8(const unsigned char* bytes, size_t length, std::string* utf8);

// The target of a symbolic link from its path components: "/" for the
// root, ".." and "." for parent and current folder, names joined by "/".
// False when a component leaves the bytes or has a name that cannot be
// decoded.
bool symlink_target(const unsigned char* bytes, size_t length, std::string* target);

}  // namespace pdiset::udf
