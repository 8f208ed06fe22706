// The layouts a plan can ask for besides the default: the directory away
// from sector 69 (and sector 69 holding file data), directories longer than
// ten sectors, files in the root, an AUDIO_TS beside VIDEO_TS, no volume
// descriptor, volume sizes and image lengths set apart from the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "pdi_maker.h"
#include "pdi_test_util.h"
#include "pdiset/iso9660_fields.h"

using namespace pdi_maker;
using namespace pdi_test;

namespace {

const uint32_t kLayoutSector = kSectorSize;

FilePlan file(const std::string& id, uint64_t size, uint32_t first_sector = 0) {
  FilePlan f;
  f.identifier = id;
  f.size = size;
  f.first_sector = first_sector;
  return f;
}

std::vector<std::string> listing(const std::string& command) {
  int status = 0;
  std::istringstream in(run(command, &status));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '/') line.pop_back();
    lines.push_back(line);
  }
  if (status != 0) lines.push_back("exit status " + std::to_string(status));
  std::sort(lines.begin(), lines.end());
  return lines;
}

struct Layout {
  const char* what;
  ImagePlan plan;
  std::string folder;  // where the files appear to an ISO 9660 reader ("" for the root)
};

std::vector<Layout> layouts() {
  std::vector<Layout> all;
  ImagePlan p;
  p.files = {file("A.DAT;1", 5000), file("ZERO.DAT;1", 0), file("AT69.DAT;1", 3 * kLayoutSector + 7, 69),
             file("B.DAT;1", 2049)};
  p.directory_sector = 276;
  all.push_back({"directory at 276, a file at 69", p, "VIDEO_TS"});

  ImagePlan many;
  for (int i = 0; i < 600; ++i) many.files.push_back(file("F" + std::to_string(i) + ".DAT;1", 100 + 37 * i));
  many.directory_sector = 30;
  all.push_back({"directory of more than ten sectors at 30", many, "VIDEO_TS"});

  ImagePlan root = p;
  root.in_subdirectory = false;
  root.directory_sector = 23;
  all.push_back({"files in the root", root, ""});

  ImagePlan dvd = p;
  dvd.with_audio_ts = true;
  all.push_back({"AUDIO_TS beside VIDEO_TS", dvd, "VIDEO_TS"});
  return all;
}

uint32_t pvd_u32(const Image& image, size_t offset) {
  std::vector<uint8_t> b = image_range(image, 16 * kLayoutSector + offset, 4);
  return le32(b.data());
}

}  // namespace

TEST(PdiLayout, ThirdPartyReadersFindEveryFile) {
  ASSERT_TRUE(have_program("bsdtar") && have_program("xorriso")) << "install libarchive-tools and xorriso";
  for (const Layout& l : layouts()) {
    SCOPED_TRACE(l.what);
    Image image = build_image(l.plan);
    TempDir tmp;
    std::string iso = tmp.path + "/image.iso", error;
    ASSERT_TRUE(write_iso(image, iso, &error)) << error;

    std::string prefix = l.folder.empty() ? "" : l.folder + "/";
    std::vector<std::string> want = {prefix + "SUBDIR", prefix + "SUBDIR/INNER.DAT"};
    std::vector<std::string> quoted = {"'/'"};
    for (const std::string& w : want) quoted.push_back("'/" + w + "'");
    if (!l.folder.empty()) want.push_back(l.folder);
    if (l.plan.with_audio_ts) want.push_back("AUDIO_TS");
    for (const FilePlan& f : l.plan.files) want.push_back(prefix + without_version(f.identifier));
    for (size_t i = quoted.size() - 1; i < want.size(); ++i) quoted.push_back("'/" + want[i] + "'");
    want.push_back(".");  // bsdtar shows the root as "."
    std::sort(want.begin(), want.end());
    EXPECT_EQ(listing("bsdtar -tf '" + iso + "'"), want);
    std::sort(quoted.begin(), quoted.end());
    EXPECT_EQ(listing("xorriso -abort_on FAILURE -indev '" + iso + "' -find / 2>/dev/null"), quoted);

    std::string out = tmp.path + "/out";
    std::filesystem::create_directory(out);
    int status = 0;
    run("bsdtar -xf '" + iso + "' -C '" + out + "'", &status);
    ASSERT_EQ(status, 0);
    for (const PlacedFile& f : image.files) {
      if (f.flags & 2) continue;
      std::vector<uint8_t> got = read_file(out + "/" + prefix + without_version(f.identifier));
      ASSERT_EQ(got, image_range(image, uint64_t(f.first_sector) * kLayoutSector, size_t(f.size))) << f.identifier;
      // Data placed at 69 is really there when the directory is not.
      if (f.first_sector == 69 && f.size > 0) {
        EXPECT_EQ(image_byte(image, 69 * kLayoutSector), content_byte(l.plan.seed, 69 * kLayoutSector));
      }
    }
    // The volume descriptor's root record leads to the root: the directory
    // itself in a root-only layout.
    uint32_t root = pvd_u32(image, pdiset::iso9660::kRootRecord + pdiset::iso9660::kExtent);
    EXPECT_EQ(root, l.folder.empty() ? l.plan.directory_sector : 20u);
    EXPECT_EQ(image.directory_sector, l.plan.directory_sector);
    Directory dir = read_directory(image, image.directory_sector, image.directory_sectors);
    ASSERT_GE(dir.records.size(), 2u);
    EXPECT_EQ(dir.records[0].extent, image.directory_sector);
    EXPECT_EQ(dir.records[0].size, image.directory_sectors * kLayoutSector);
    EXPECT_FALSE(dir.crosses_sector);
  }
  EXPECT_GT(build_image(layouts()[1].plan).directory_sectors, 10u);
}

// The volume size, the image's length and the volume descriptor are set
// apart from the files; files may lie past the image's end.
TEST(PdiLayout, VolumeSizeImageLengthAndNoDescriptor) {
  ImagePlan plan;
  plan.files = {file("A.DAT;1", 10000), file("ZERO.DAT;1", 0, 900000), file("PAST.DAT;1", 5000, 400)};
  plan.image_sectors = 300;
  plan.volume_sectors = 5000;
  Image image = build_image(plan);
  EXPECT_EQ(image.sector_count, 300u);
  EXPECT_EQ(stream_size(image), kSetHeaderSize + 300ull * kLayoutSector);
  EXPECT_EQ(pvd_u32(image, 80), 5000u);
  EXPECT_EQ(image.files[1].first_sector, 900000u);
  EXPECT_EQ(image.files[2].first_sector, 400u);

  plan.volume_sectors = 10;  // smaller than the image
  EXPECT_EQ(pvd_u32(build_image(plan), 80), 10u);
  plan.volume_sectors = -1;
  plan.image_sectors = 0;
  Image whole = build_image(plan);
  EXPECT_EQ(pvd_u32(whole, 80), whole.sector_count);
  EXPECT_EQ(whole.sector_count, 900000u);  // the zero-length file's extent ends the image

  plan.with_volume_descriptor = false;
  Image bare = build_image(plan);
  std::vector<uint8_t> descriptors = image_range(bare, 16 * kLayoutSector, 2 * kLayoutSector);
  EXPECT_TRUE(std::all_of(descriptors.begin(), descriptors.end(), [](uint8_t b) { return b == 0; }));
  // Everything else is as with the descriptor.
  EXPECT_TRUE(image_range(bare, 18 * kLayoutSector, 60 * kLayoutSector) == image_range(whole, 18 * kLayoutSector, 60 * kLayoutSector));
}
