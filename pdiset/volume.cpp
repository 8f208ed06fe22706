#include "volume.h"

#include <algorithm>

#include "layout.h"

namespace pdiset {

int64_t sectors_holding(uint32_t data_length) {
  return (int64_t{data_length} + kSectorSize - 1) / kSectorSize;
}

ImageExtent image_extent(const std::vector<DirectoryRecord>& files, std::optional<uint32_t> volume_sectors,
                         int64_t set_whole_sectors) {
  ImageExtent extent;
  if (!files.empty()) extent.wanted = int64_t{files.back().first_sector} + sectors_holding(files.back().data_length);
  if (!volume_sectors) {
    extent.sectors = extent.wanted;
    return extent;
  }
  extent.wanted = std::max<int64_t>(extent.wanted, *volume_sectors);
  extent.sectors = std::min(extent.wanted, set_whole_sectors);
  extent.cut_short = extent.sectors < extent.wanted;
  return extent;
}

}  // namespace pdiset
