// Sizes and places that every part of the engine agrees on. The set
// format's own numbers come from the shared library.
#pragma once

#include <cstdint>

#include "pdiset/layout.h"

using pdiset::kDirectoryReadSize;  // ten sectors of directory
using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;
const int kCopyChunk = 0x1400000;  // 20 MiB: the copy buffer and one copy step
const int kMemberNameSize = 768;   // member names, terminator included
const int kOutputPathSize = 998;   // output paths, terminator included
