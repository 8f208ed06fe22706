// Copies runs of image sectors to an output file through the segment chain,
// reassembling the sectors that are split between two members.
#pragma once

#include <cstdint>

#include "file_io.h"

// Copies sectors s .. s + n - 1 of the image to out. Runs of one process come
// in ascending order of first sector: the chain only moves forward.
void copy_run(FileHandle out, int32_t s, int32_t n);
