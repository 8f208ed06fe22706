// The UDF tree reader against volumes mastered at test time: genisoimage
// bridge discs (also with their ISO 9660 descriptors zeroed, and moved onto
// a metadata partition), and empty mkudffs volumes of several revisions and
// partition kinds. 7-Zip judges the tree and the bytes; for the volumes it
// cannot open, the counts mkudffs recorded (udfinfo). A few volumes made
// hostile check the bounds.
#include "pdiset/udf_tree.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pdiset/byte_order.h"
#include "pdiset/udf_descriptors.h"
#include "pdiset/udf_fields.h"
#include "udf_edit.h"

namespace {

namespace udf = pdiset::udf;
using pdiset::le32;
using udf_edit::find_record;
using udf_edit::Partition;
using udf_edit::seal;
using udf_edit::sector;
using udf_edit::tagged;
using udf_edit::widen_partition;

using pdiset::DiscEntry;
using pdiset::DiscEntryType;
using pdiset::DiscTree;
using Bytes = udf_edit::Bytes;
constexpr size_t kSector = udf_edit::kSector;

std::string output_of(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  pclose(pipe);
  return out;
}

bool have(const char* tool) { return system((std::string("command -v ") + tool + " > /dev/null").c_str()) == 0; }

Bytes read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void put16(unsigned char* p, uint32_t v) { p[0] = v & 0xFF, p[1] = v >> 8 & 0xFF; }
void put32(unsigned char* p, uint32_t v) { put16(p, v & 0xFFFF), put16(p + 2, v >> 16); }

// What a reader shows of one entry: its type and size, and a file's bytes.
struct Shown {
  bool folder = false;
  int64_t size = 0;
  int64_t mtime = -1;
  std::string bytes;
  bool operator==(const Shown& o) const { return folder == o.folder && size == o.size && bytes == o.bytes; }
};
using Listing = std::map<std::string, Shown>;
void PrintTo(const Shown& s, std::ostream* os) {
  *os << (s.folder ? "folder" : "file of " + std::to_string(s.size) + " bytes") << " at " << s.mtime;
}

std::string bytes_of(const DiscEntry& e, const Bytes& image) {
  std::string out = e.inline_data;
  for (const pdiset::DataExtent& x : e.extents)
    out += x.image_offset < 0 ? std::string(size_t(x.length), '\0')
                              : std::string(reinterpret_cast<const char*>(image.data()) + x.image_offset,
                                            size_t(x.length));
  return out;
}

// Walks the whole tree; failures are listed by folder.
Listing walk(const DiscTree& tree, const Bytes& image, std::vector<std::string>* failures) {
  Listing listing;
  std::function<void(const DiscEntry&, const std::string&)> visit = [&](const DiscEntry& folder,
                                                                       const std::string& path) {
    std::vector<DiscEntry> entries;
    if (tree.read_folder(folder, &entries)) {
      failures->push_back(path);
      return;
    }
    for (const DiscEntry& e : entries) {
      std::string p = path.empty() ? e.name : path + "/" + e.name;
      Shown& s = listing[p];
      s.folder = e.type == DiscEntryType::kFolder;
      s.mtime = e.mtime;
      if (!s.folder) {
        s.size = e.size;
        s.bytes = bytes_of(e, image);
      }
      if (s.folder) visit(e, p);
    }
  };
  visit(tree.root(), "");
  return listing;
}

// 7-Zip's listing (times read as UTC) and the bytes it extracts.
Listing seven_zip(const std::string& image, const std::string& dir) {
  Listing listing;
  std::istringstream lines(output_of("TZ=UTC 7zz l -slt '" + image + "'"));
  std::string line, path;
  bool entries = false;
  while (std::getline(lines, line)) {
    if (line == "----------") entries = true;
    if (!entries) continue;
    if (line.rfind("Path = ", 0) == 0) path = line.substr(7);
    if (line.rfind("Folder = ", 0) == 0) listing[path].folder = line == "Folder = +";
    if (line.rfind("Size = ", 0) == 0 && line.size() > 7) listing[path].size = std::stoll(line.substr(7));
    if (line.rfind("Modified = ", 0) == 0 && line.size() >= 30) {
      struct tm t = {};
      strptime(line.substr(11, 19).c_str(), "%Y-%m-%d %H:%M:%S", &t);
      listing[path].mtime = timegm(&t);
    }
  }
  std::string out = dir + "/7zz-out";
  EXPECT_EQ(system(("rm -rf '" + out + "' && 7zz x -y -o'" + out + "' '" + image + "' > /dev/null").c_str()), 0);
  for (auto& [p, s] : listing) {
    if (s.folder) continue;
    Bytes b = read_bytes(out + "/" + p);
    s.bytes.assign(b.begin(), b.end());
  }
  return listing;
}

class UdfTree : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"genisoimage", "mkudffs", "7zz", "udfinfo"})
      if (!have(tool)) GTEST_SKIP() << tool << " is missing (scripts/setup.sh installs it)";
    char pattern[] = "/tmp/udf_tree_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    if (!dir_.empty()) {
      EXPECT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0);
    }
  }
  // A genisoimage bridge disc of folders, long and Unicode names, a hidden
  // file, empty ones, and a file of several hundred sectors.
  std::string bridge_disc() {
    const std::string src = dir_ + "/src", image = dir_ + "/bridge.iso";
    const std::string long_name = "Ünïcode name, longer than sixty-four characters in all, to be sure it is whole.txt";
    std::string script = "set -e; mkdir -p '" + src + "/sub/deep' '" + src + "/empty'; cd '" + src +
                         "'; printf 'hello\\n' > a.txt; : > .hidden; : > sub/zero; printf x > sub/deep/back;"
                         " printf 'x\\n' > 'sub/deep/" + long_name + "';"
                         " head -c 300000 /dev/urandom > sub/big.bin;"
                         " genisoimage -quiet -udf -R -J -o '" + image + "' . 2> /dev/null";
    EXPECT_EQ(system(script.c_str()), 0);
    return image;
  }
  std::string dir_;
};

TEST_F(UdfTree, ShowsWhatSevenZipAndTheVolumeShow) {
  const std::string bridge = bridge_disc();
  Bytes udf_only = read_bytes(bridge);
  for (size_t n = 16; memcmp(sector(udf_only, n) + 1, "CD001", 5) == 0; ++n) memset(sector(udf_only, n), 0, kSector);
  write_bytes(dir_ + "/udf_only.iso", udf_only);
  Bytes metadata = read_bytes(bridge);
  ASSERT_TRUE(udf_edit::move_onto_metadata_partition(metadata));
  write_bytes(dir_ + "/metadata.iso", metadata);

  struct Case {
    const char* what;
    std::string image;       // what the reader opens
    std::string judged_by;   // what 7-Zip reads for it; empty: udfinfo's counts
    const char* mkudffs;
  };
  std::vector<Case> cases = {
      {"genisoimage bridge disc", bridge, bridge, nullptr},
      {"the same, UDF only", dir_ + "/udf_only.iso", dir_ + "/udf_only.iso", nullptr},
      {"the same on a metadata partition", dir_ + "/metadata.iso", bridge, nullptr},
      {"UDF 2.01, folder records in the entry", dir_ + "/hd.udf", dir_ + "/hd.udf", "--media-type=hd --udfrev=2.01 -b 2048 %s 600"},
      {"UDF 1.02, long descriptors, plain entries", dir_ + "/long.udf", dir_ + "/long.udf",
       "--media-type=hd --udfrev=1.02 --ad=long --noefe -b 2048 %s 300"},
      {"UDF 2.50 on a write-once disc (virtual partition)", dir_ + "/bdr.udf", "",
       "--media-type=bdr --udfrev=2.50 -b 2048 %s 8000"},
      {"UDF 2.60 on a write-once disc", dir_ + "/bdr260.udf", "", "--media-type=bdr --udfrev=2.60 -b 2048 %s 8000"},
      {"UDF 1.50 on a rewritable disc (sparable partition)", dir_ + "/cdrw.udf", "",
       "--media-type=cdrw --udfrev=1.50 -b 2048 %s 2000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.mkudffs) {
      char options[256];
      snprintf(options, sizeof options, c.mkudffs, ("'" + c.image + "'").c_str());
      ASSERT_EQ(system(("mkudffs " + std::string(options) + " > /dev/null 2>&1").c_str()), 0);
    }
    Bytes image = read_bytes(c.image);
    pdiset::MemoryImage source(image.data(), int64_t(image.size()));
    std::unique_ptr<DiscTree> tree;
    auto failure = pdiset::open_udf_tree(source, &tree);
    ASSERT_FALSE(failure) << pdiset::describe(*failure);
    ASSERT_TRUE(tree);
    // Each of these images ends with an anchor in its last sector.
    EXPECT_EQ(pdiset::udf_volume_sectors(source), int64_t(image.size() / kSector));
    std::vector<std::string> failures;
    Listing shown = walk(*tree, image, &failures);
    EXPECT_TRUE(failures.empty());
    if (!c.judged_by.empty()) {
      Listing expected = seven_zip(c.judged_by, dir_);
      EXPECT_EQ(shown, expected);
      for (const auto& [path, s] : expected)
        if (shown.count(path)) {
          EXPECT_EQ(shown[path].mtime, s.mtime) << path;
        }
    } else {
      std::string info = output_of("udfinfo '" + c.image + "'");
      size_t files = 0, folders = 1;
      for (const auto& [path, s] : shown) (s.folder ? folders : files)++;
      EXPECT_NE(info.find("numfiles=" + std::to_string(files) + "\n"), std::string::npos) << info;
      EXPECT_NE(info.find("numdirs=" + std::to_string(folders) + "\n"), std::string::npos) << info;
    }
  }
  EXPECT_GT(read_bytes(bridge).size(), 300000u);
}

TEST_F(UdfTree, HostileVolumesStayBounded) {
  const std::string bridge = bridge_disc();
  const Bytes original = read_bytes(bridge);
  std::vector<std::string> failures;

  // A record that names an ancestor folder is left out; the rest is shown.
  Bytes cycle = original;
  Partition p = widen_partition(cycle, 0);
  unsigned char* sub = find_record(cycle, p, "sub");
  unsigned char* back = find_record(cycle, p, "back");
  ASSERT_TRUE(sub && back);
  memcpy(back + udf::file_identifier::kIcb, sub + udf::file_identifier::kIcb, udf::long_ad::kSize);
  seal(back);
  {
    pdiset::MemoryImage source(cycle.data(), int64_t(cycle.size()));
    std::unique_ptr<DiscTree> tree;
    ASSERT_FALSE(pdiset::open_udf_tree(source, &tree));
    Listing shown = walk(*tree, cycle, &failures);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(shown.count("sub/deep/back"), 0u);
    size_t in_deep = 0;
    for (const auto& [path, s] : shown) in_deep += path.rfind("sub/deep/", 0) == 0;
    EXPECT_EQ(in_deep, 1u);  // the file with the long name
  }

  // Allocation descriptors continued in a block that continues in itself:
  // the file is left out after the bounded chain, the rest is shown.
  Bytes chain = original;
  p = widen_partition(chain, 8);
  unsigned char* record = find_record(chain, p, "a.txt");
  ASSERT_TRUE(record);
  unsigned char* fe =
      sector(chain, p.start + le32(record + udf::file_identifier::kIcb + udf::long_ad::kBlock));
  const bool extended = pdiset::le16(fe + udf::tag::kId) == udf::kExtendedFileEntry;
  unsigned char* ads =
      fe + (extended ? udf::extended_file_entry::kFixedPart : udf::file_entry::kFixedPart) +
      le32(fe + (extended ? udf::extended_file_entry::kEaLength : udf::file_entry::kEaLength));
  const uint32_t loop_block = uint32_t(p.length);
  const bool long_ads = (fe[udf::file_entry::kIcbFlags] & 7) == udf::kLongAds;
  // The first descriptor continues (type 3) in loop_block, whose one
  // descriptor continues in loop_block again.
  put32(ads + udf::short_ad::kLength, 3u << 30 | 2048);
  put32(ads + udf::short_ad::kBlock, loop_block);
  seal(fe);
  unsigned char* aed = sector(chain, p.start + loop_block);
  memset(aed, 0, kSector);
  put16(aed + udf::tag::kId, udf::kAllocationExtent), put16(aed + udf::tag::kVersion, 2);
  put32(aed + udf::tag::kLocation, loop_block);
  put32(aed + udf::allocation_extent::kAdLength, long_ads ? udf::long_ad::kSize : udf::short_ad::kSize);
  unsigned char* continued = aed + udf::allocation_extent::kFixedPart;
  put32(continued + udf::short_ad::kLength, 3u << 30 | 2048), put32(continued + udf::short_ad::kBlock, loop_block);
  seal(aed);
  {
    pdiset::MemoryImage source(chain.data(), int64_t(chain.size()));
    std::unique_ptr<DiscTree> tree;
    ASSERT_FALSE(pdiset::open_udf_tree(source, &tree));
    failures.clear();
    Listing shown = walk(*tree, chain, &failures);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(shown.count("a.txt"), 0u);
    EXPECT_EQ(shown["sub/big.bin"].size, 300000);
  }

  // A damaged tag (checksum) where the file set should be: a failure, not
  // a tree; no anchor at all: no tree and no failure.
  Bytes broken = original;
  p = widen_partition(broken, 0);
  for (size_t n = p.start; n < p.start + p.length; ++n)
    if (tagged(broken, n, udf::kFileSet, n - p.start)) sector(broken, n)[udf::tag::kChecksum + 1] ^= 1;
  pdiset::MemoryImage broken_source(broken.data(), int64_t(broken.size()));
  std::unique_ptr<DiscTree> tree;
  EXPECT_TRUE(pdiset::open_udf_tree(broken_source, &tree));
  EXPECT_FALSE(tree);
  Bytes plain(300 * kSector, 0);
  pdiset::MemoryImage plain_source(plain.data(), int64_t(plain.size()));
  EXPECT_FALSE(pdiset::open_udf_tree(plain_source, &tree));
  EXPECT_FALSE(tree);
  EXPECT_FALSE(pdiset::udf_volume_sectors(plain_source));
}

}  // namespace
