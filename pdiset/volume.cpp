#include "volume.h"

#include <algorithm>

#include "layout.h"

namespace pdiset {

int64_t sectors_holding(uint32_t data_length) {
  return (int64_t{data_length} + kSectorSize - 1) / kSectorSize;
}

ImageExtent image_extent(const std::vector<DirectoryRecord>& files, std::optional<int64_t> volume_sectors,
                         int64_t set_whole_sectors) {
  ImageExtent extent;
  int64_t files_end = 0;
  if (!files.empty()) files_end = int64_t{files.back().first_sector} + sectors_holding(files.back().data_length);
  extent.wanted = std::max<int64_t>(files_end, volume_sectors.value_or(0));
  extent.sectors = std::max(files_end, std::min(extent.wanted, set_whole_sectors));
  extent.files_missing = extent.sectors > set_whole_sectors;
  extent.cut_short = !extent.files_missing && extent.sectors < extent.wanted;
  return extent;
}

}  // namespace pdiset
