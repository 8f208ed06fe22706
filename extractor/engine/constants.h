// Sizes and places that every part of the engine agrees on.
#pragma once

#include <cstdint>

const int kSectorSize = 2048;             // bytes of one image sector
const int kSetHeaderSize = 304;           // header before sector 0 in the first member
const int64_t kDirectoryOffset = 141616;  // 304 + 69 * 2048: image sector 69
const int kDirectoryReadSize = 20480;     // ten sectors of directory
const int kCopyChunk = 0x1400000;         // 20 MiB: the copy buffer and one copy step
const int kMemberNameSize = 768;          // member names, terminator included
const int kOutputPathSize = 998;          // output paths, terminator included
