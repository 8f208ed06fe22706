// How far the whole-image conversion goes.
#include "pdiset/volume.h"

#include <gtest/gtest.h>

namespace {

pdiset::DirectoryRecord file(uint32_t first, uint32_t length) {
  pdiset::DirectoryRecord r;
  r.first_sector = first;
  r.data_length = length;
  return r;
}

TEST(ImageExtent, LastFileVolumeSizeAndSetLength) {
  struct Case {
    const char* what;
    std::vector<pdiset::DirectoryRecord> files;
    std::optional<uint32_t> volume;
    int64_t set_sectors;
    int64_t sectors, wanted;
    bool cut_short, files_missing;
  };
  const Case cases[] = {
      {"last file in whole sectors, no descriptor", {file(300, 4096)}, std::nullopt, 1000, 302, 302, false, false},
      {"partial last sector counts", {file(300, 4097)}, std::nullopt, 1000, 303, 303, false, false},
      {"no descriptor: set ends inside the file", {file(300, 4097)}, std::nullopt, 10, 303, 303, false, true},
      {"empty last file", {file(300, 0)}, std::nullopt, 1000, 300, 300, false, false},
      {"volume larger than the last file", {file(300, 4096)}, 900u, 1000, 900, 900, false, false},
      {"volume smaller than the last file", {file(300, 4096)}, 100u, 1000, 302, 302, false, false},
      {"set lacks closing sectors only", {file(300, 4096)}, 900u, 500, 500, 900, true, false},
      {"set ends right after the last file", {file(300, 4096)}, 900u, 302, 302, 900, true, false},
      {"set ends inside the last file", {file(300, 4096)}, 900u, 301, 302, 900, false, true},
      {"set ends inside the last file's partial sector", {file(300, 4097)}, 303u, 302, 303, 303, false, true},
      {"the file that starts last decides", {file(100, 10 * 2048), file(105, 1)}, std::nullopt, 1000, 106, 106, false, false},
      {"no files: the volume", {}, 50u, 1000, 50, 50, false, false},
  };
  for (const Case& c : cases) {
    pdiset::ImageExtent e = pdiset::image_extent(c.files, c.volume, c.set_sectors);
    EXPECT_EQ(e.sectors, c.sectors) << c.what;
    EXPECT_EQ(e.wanted, c.wanted) << c.what;
    EXPECT_EQ(e.cut_short, c.cut_short) << c.what;
    EXPECT_EQ(e.files_missing, c.files_missing) << c.what;
  }
  EXPECT_EQ(pdiset::sectors_holding(0xFFFFFFFFu), 2097152);
}

}  // namespace
