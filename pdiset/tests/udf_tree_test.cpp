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

namespace {

using pdiset::DiscEntry;
using pdiset::DiscEntryType;
using pdiset::DiscTree;
using Bytes = std::vector<unsigned char>;
constexpr size_t kSector = 2048;

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

uint32_t u32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
void put16(unsigned char* p, uint32_t v) { p[0] = v & 0xFF, p[1] = v >> 8 & 0xFF; }
void put32(unsigned char* p, uint32_t v) { put16(p, v & 0xFFFF), put16(p + 2, v >> 16); }

// Sets a descriptor tag's checksum after its bytes were changed.
void seal(unsigned char* tag) {
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum += tag[i];
  tag[4] = sum & 0xFF;
}

unsigned char* sector(Bytes& image, size_t n) { return image.data() + n * kSector; }
// A descriptor of this id in sector n, recorded at location.
bool tagged(Bytes& image, size_t n, uint16_t id, size_t location) {
  const unsigned char* s = sector(image, n);
  return (s[0] | s[1] << 8) == id && u32(s + 12) == location;
}
bool tagged(Bytes& image, size_t n, uint16_t id) { return tagged(image, n, id, n); }

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

// The partition of a genisoimage disc: its first sector and its length,
// widened over the padding behind it so that crafted blocks fit there.
struct Partition {
  size_t start, length;
};
Partition widen_partition(Bytes& image, uint32_t extra) {
  Partition p{0, 0};
  for (size_t n = 16; n < 256; ++n) {
    if (!tagged(image, n, 5)) continue;
    unsigned char* pd = sector(image, n);
    p = {u32(pd + 188), u32(pd + 192)};
    put32(pd + 192, uint32_t(p.length + extra));
    seal(pd);
  }
  return p;
}

// The ICB of the entry named name (8-bit identifier) in any folder block.
unsigned char* find_record(Bytes& image, const Partition& p, const std::string& name) {
  for (size_t n = p.start; n < p.start + p.length; ++n) {
    unsigned char* s = sector(image, n);
    for (size_t at = 0; at + 38 <= kSector && (s[at] | s[at + 1] << 8) == 257;) {
      unsigned use = s[at + 36] | s[at + 37] << 8, length = s[at + 19];
      if (at + 38 + use + length > kSector) break;
      if (length == name.size() + 1 && s[at + 38 + use] == 8 && memcmp(s + at + 39 + use, name.data(), name.size()) == 0)
        return s + at;
      at += (38 + use + length + 3) & ~size_t{3};
    }
  }
  return nullptr;
}

// Moves a bridge disc's file set onto a UDF 2.50 metadata partition laid
// over the same blocks in two runs: every record that names a folder or
// file entry now names the metadata partition.
void move_onto_metadata_partition(Bytes& image) {
  Partition p = widen_partition(image, 8);
  const uint32_t file_block = uint32_t(p.length);  // the metadata file's entry, in the padding
  unsigned char* fe = sector(image, p.start + file_block);
  memset(fe, 0, kSector);
  put16(fe, 261), put16(fe + 2, 2), put32(fe + 12, file_block);
  put16(fe + 16 + 4, 4), fe[16 + 11] = 250;
  put32(fe + 56, uint32_t(p.length * kSector));
  put32(fe + 172, 16);
  const uint32_t half = uint32_t(p.length / 2);
  put32(fe + 176, half * kSector), put32(fe + 180, 0);
  put32(fe + 184, uint32_t(p.length - half) * kSector), put32(fe + 188, half);
  seal(fe);
  for (size_t n = 16; n < 256; ++n) {
    if (!tagged(image, n, 6)) continue;
    unsigned char* lvd = sector(image, n);
    unsigned char* map = lvd + 440 + u32(lvd + 264);
    memset(map, 0, 64);
    map[0] = 2, map[1] = 64;
    memcpy(map + 5, "*UDF Metadata Partition", 23);
    put16(map + 36, 1), put32(map + 40, file_block), put32(map + 44, file_block), put32(map + 48, 0xFFFFFFFF);
    put32(lvd + 264, u32(lvd + 264) + 64), put32(lvd + 268, 2);
    put16(lvd + 248 + 8, 1);  // the file set lies in the metadata partition
    seal(lvd);
  }
  for (size_t n = p.start; n < p.start + p.length; ++n) {
    unsigned char* s = sector(image, n);
    if (tagged(image, n, 256, n - p.start)) put16(s + 400 + 8, 1), seal(s);
    for (size_t at = 0; at + 38 <= kSector && (s[at] | s[at + 1] << 8) == 257;) {
      put16(s + at + 28, 1);
      seal(s + at);
      at += (38 + (s[at + 36] | s[at + 37] << 8) + s[at + 19] + 3) & ~size_t{3};
    }
  }
}

TEST_F(UdfTree, ShowsWhatSevenZipAndTheVolumeShow) {
  const std::string bridge = bridge_disc();
  Bytes udf_only = read_bytes(bridge);
  for (size_t n = 16; memcmp(sector(udf_only, n) + 1, "CD001", 5) == 0; ++n) memset(sector(udf_only, n), 0, kSector);
  write_bytes(dir_ + "/udf_only.iso", udf_only);
  Bytes metadata = read_bytes(bridge);
  move_onto_metadata_partition(metadata);
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
  memcpy(back + 20, sub + 20, 16);
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
  unsigned char* fe = sector(chain, p.start + u32(record + 24));
  bool extended = (fe[0] | fe[1] << 8) == 266;
  unsigned char* ads = fe + (extended ? 216 : 176) + u32(fe + (extended ? 208 : 168));
  const uint32_t loop_block = uint32_t(p.length);
  const bool long_ads = (fe[16 + 18] & 7) == 1;
  put32(ads, 3u << 30 | 2048);
  put32(ads + 4, loop_block);
  seal(fe);
  unsigned char* aed = sector(chain, p.start + loop_block);
  memset(aed, 0, kSector);
  put16(aed, 258), put16(aed + 2, 2), put32(aed + 12, loop_block);
  put32(aed + 20, long_ads ? 16 : 8);
  put32(aed + 24, 3u << 30 | 2048), put32(aed + 28, loop_block);
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
    if (tagged(broken, n, 256, n - p.start)) sector(broken, n)[5] ^= 1;
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
