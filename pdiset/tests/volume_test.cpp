// How far the whole-image conversion goes.
#include "pdiset/volume.h"

#include <gtest/gtest.h>

#include <vector>

#include "iso_record.h"
#include "pdiset/layout.h"
#include "pdiset/sections.h"

namespace {

// A record at first of length bytes; the name and flags count where the
// listing's rules of which records are files are tried.
pdiset::DirectoryRecord file(uint32_t first, uint32_t length, const char* name = "", unsigned flags = 0) {
  pdiset::DirectoryRecord r;
  r.name = name;
  r.first_sector = first;
  r.data_length = length;
  r.flags = flags;
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

// What quarnex -i writes and the mount shows: the files taken as the listing
// takes them, the descriptor's volume size, the set's length.
TEST(WholeImageExtent, FilesAsListedVolumeAndSet) {
  struct Case {
    const char* what;
    std::vector<pdiset::DirectoryRecord> records;
    std::optional<uint32_t> volume;  // a primary volume descriptor at 16 of this size
    int64_t set_sectors;
    int64_t sectors;
  };
  const unsigned more = pdiset::kNotFinalSection;
  const Case cases[] = {
      {"ties in directory order: the later one", {file(100, 0, "A;1"), file(100, 2049, "B;1")}, std::nullopt, 1000,
       102},
      {"the volume, cut to the set", {file(100, 4096, "A;1")}, 500u, 300, 300},
      {"a later section that starts last", {file(400, 2048, "BIG;1", more), file(100, 4097, "BIG;1")},
       std::nullopt, 1000, 401},
      {"folders, hidden files and '.' are not files",
       {file(20, 2048, "\0", 2), file(900, 2048, "SUB", 2), file(950, 10, "H;1", 1), file(30, 10, "A;1")},
       std::nullopt, 1000, 31},
      // As quarnex's table sorts them: a sector past 2^31 is never the last.
      {"an extent past 2^31 sorts first", {file(30, 10, "A;1"), file(0x80000000u, 10, "X;1")}, std::nullopt, 1000,
       31},
      {"no file and no descriptor: the set's whole sectors", {}, std::nullopt, 40, 40},
      {"no file, a descriptor: the volume", {}, 30u, 40, 30},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> image(48 * pdiset::kSectorSize, 0);
    if (c.volume)
      pdi_maker::put_volume_descriptor(&image[pdiset::kVolumeDescriptorSector * pdiset::kSectorSize], "V", *c.volume,
                                       pdi_maker::RecordPlan());
    pdiset::MemoryImage source(image.data(), static_cast<int64_t>(image.size()));
    pdiset::FoundDirectory found;
    found.records = c.records;
    EXPECT_EQ(pdiset::whole_image_extent(source, found, c.set_sectors).sectors, c.sectors) << c.what;
  }
}

}  // namespace
