// Copies runs of image sectors to an output file through the segment chain,
// reassembling the sectors that are split between two members.
#pragma once

#include <cstdint>

#include "file_io.h"

// Copies sectors s .. s + n - 1 of the image to out. Runs of one process come
// in ascending order of first sector: the chain only moves forward.
void copy_run(FileHandle out, int64_t s, int64_t n);

// Copies length bytes of the image from sector first on: its whole sectors
// through copy_run, then the first bytes of the sector after them.
void copy_file_bytes(FileHandle out, int64_t first, int64_t length);
