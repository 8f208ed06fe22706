// How many sectors the whole-image (.iso) conversion of a set covers.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "directory.h"

namespace pdiset {

struct ImageExtent {
  int64_t sectors = 0;  // sectors 0 .. sectors-1 are written
  int64_t wanted = 0;   // what the volume needs; more than sectors when the set is cut short
  bool cut_short = false;
};

// Sectors a file of data_length bytes touches (its last partial one too).
int64_t sectors_holding(uint32_t data_length);

// From sector 0 to the larger of the end of the file that starts last (its
// partial last sector included) and the volume size of the primary volume
// descriptor; with a descriptor, no further than the whole sectors the set
// holds. files: the listed files in ascending first sector (ties in
// directory order).
ImageExtent image_extent(const std::vector<DirectoryRecord>& files, std::optional<uint32_t> volume_sectors,
                         int64_t set_whole_sectors);

}  // namespace pdiset
