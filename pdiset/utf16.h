#ifndef PDISET_UTF16_H
#define PDISET_UTF16_H

// UTF-16 big-endian text as discs record it (Joliet names, UDF's 16-bit
// compressed Unicode) turned into UTF-8: the one conversion both readers use.

#include <cstddef>
#include <cstdint>
#include <string>

namespace pdiset {

// Appends code point c (at most U+10FFFF) to out in UTF-8.
void append_utf8(uint32_t c, std::string* out);

// Appends length bytes of UTF-16BE to out in UTF-8: surrogate pairs joined,
// a lone surrogate read as U+FFFD, an odd last byte ignored.
void append_utf16be_as_utf8(const unsigned char* bytes, size_t length, std::string* out);

}  // namespace pdiset

#endif
