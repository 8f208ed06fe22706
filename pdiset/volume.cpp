#include "volume.h"

#include <algorithm>

#include "layout.h"
#include "sections.h"
#include "udf_tree.h"

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

ImageExtent whole_image_extent(const ImageSource& image, const FoundDirectory& found, int64_t set_whole_sectors) {
  std::vector<DirectoryRecord> last;
  bool any_file = false;
  for (const SectionedFile& file : join_sections(found.records)) {
    DirectoryRecord final_record = found.records[file.final_record];
    final_record.flags &= ~kNotFinalSection;
    if (!is_listed_file(final_record)) continue;
    any_file = true;
    for (size_t k = file.first; k < file.first + file.count; ++k) {
      const DirectoryRecord& r = found.records[k];
      if (last.empty() || static_cast<int32_t>(r.first_sector) >= static_cast<int32_t>(last[0].first_sector))
        last = {r};
    }
  }
  std::optional<int64_t> volume_length;
  if (std::optional<uint32_t> recorded = volume_sectors(image)) volume_length = *recorded;
  else if (!any_file) volume_length = std::max(udf_volume_sectors(image).value_or(0), set_whole_sectors);
  return image_extent(last, volume_length, set_whole_sectors);
}

}  // namespace pdiset
