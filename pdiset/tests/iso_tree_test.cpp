// The ISO 9660 tree's bounds on hostile discs, each laid out by hand:
// records pointing back at an ancestor, Rock Ridge CL entries to itself and
// to a folder whose PL names another, continuation chains that loop or run long, huge folders and
// deep nesting; and which tree a disc with both ISO 9660 and UDF shows.
// Real discs' trees are judged against bsdtar by the mount's disc table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "pdiset/disc_tree.h"
#include "pdiset/iso_tree.h"
#include "iso_record.h"

namespace {

using pdiset::DiscEntry;
using pdiset::DiscEntryType;

const int kSector = pdiset::kSectorSize;

// System use entries as Rock Ridge writes them.
std::string entry(const char* sig, const std::string& data) {
  return std::string(sig, 2) + char(4 + data.size()) + char(1) + data;
}
std::string both32(uint32_t v) {
  unsigned char b[8];
  pdi_maker::put_both32(b, v);
  return std::string(reinterpret_cast<char*>(b), 8);
}
std::string sp() { return entry("SP", std::string("\xBE\xEF\0", 3)); }
std::string nm(const std::string& name, char flags = 0) { return entry("NM", flags + name); }
std::string ce(uint32_t sector, uint32_t offset, uint32_t length) {
  return entry("CE", both32(sector) + both32(offset) + both32(length));
}
std::string cl(uint32_t sector) { return entry("CL", both32(sector)); }
std::string pl(uint32_t sector) { return entry("PL", both32(sector)); }
std::string re() { return entry("RE", ""); }

// An image of whole sectors with a primary volume descriptor at 16 naming
// the root at sector 20, and folders laid out record by record.
struct IsoImage {
  explicit IsoImage(uint32_t sectors, uint32_t root_length = kSector) : bytes(size_t{sectors} * kSector, 0) {
    pdi_maker::RecordPlan root;
    root.identifier = std::string(1, '\0');
    root.extent = 20;
    root.data_length = root_length;
    root.flags = 2;
    pdi_maker::put_volume_descriptor(&bytes[16 * kSector], "DISC", sectors, root);
    unsigned char* end = &bytes[17 * kSector];
    end[0] = 255;
    memcpy(end + 1, "CD001", 5);
  }
  // Appends a record to the folder at sector; flags 2 marks a folder.
  void add(uint32_t sector, const std::string& id, uint32_t extent, uint32_t length, unsigned flags,
           const std::string& system_use = "") {
    size_t& p = fill[sector];
    pdi_maker::RecordPlan r;
    r.identifier = id;
    r.extent = extent;
    r.data_length = length;
    r.flags = static_cast<uint8_t>(flags);
    size_t base = pdi_maker::record_length(r);
    r.record_length = static_cast<int>(base + system_use.size());
    if (p % kSector + r.record_length > size_t(kSector)) p = (p / kSector + 1) * kSector;
    unsigned char* at = &bytes[size_t{sector} * kSector + p];
    pdi_maker::put_record(at, r);
    memcpy(at + base, system_use.data(), system_use.size());
    p += r.record_length;
  }
  // A folder's own "." and ".." records.
  void folder(uint32_t sector, uint32_t parent, const std::string& own_use = "",
              const std::string& parent_use = "", uint32_t length = kSector) {
    add(sector, std::string(1, '\0'), sector, length, 2, own_use);
    add(sector, std::string(1, '\1'), parent, kSector, 2, parent_use);
  }
  void put(uint32_t sector, uint32_t offset, const std::string& s) {
    memcpy(&bytes[size_t{sector} * kSector + offset], s.data(), s.size());
  }
  std::vector<unsigned char> bytes;
  std::map<uint32_t, size_t> fill;
};

// The tree walked depth first: "name/" for a folder, "name!" for one that
// cannot be read, "name=size@sector,sector" for a file, "name->target";
// "-N" after a folder that left N records out by the loop rule.
void walk(const pdiset::DiscTree& tree, const DiscEntry& folder, const std::string& path, std::string* out) {
  std::vector<DiscEntry> entries;
  std::vector<std::string> left_out;
  if (tree.read_folder(folder, &entries, &left_out)) {
    *out += "!";
    return;
  }
  if (!left_out.empty()) *out += "-" + std::to_string(left_out.size());
  for (const DiscEntry& e : entries) {
    std::string p = path + e.name;
    *out += (out->empty() ? "" : " ") + p;
    if (e.type == DiscEntryType::kFolder) {
      *out += "/";
      walk(tree, e, p + "/", out);
    } else if (e.type == DiscEntryType::kSymlink) {
      *out += "->" + e.link_target;
    } else {
      *out += "=" + std::to_string(e.size);
      for (size_t i = 0; i < e.extents.size(); ++i)
        *out += (i ? "," : "@") + std::to_string(e.extents[i].image_offset / kSector);
    }
  }
}

std::string transcript(const IsoImage& image) {
  pdiset::MemoryImage source(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
  std::unique_ptr<pdiset::DiscTree> tree;
  if (pdiset::open_iso_tree(source, &tree) || !tree) return "no tree";
  std::string out;
  walk(*tree, tree->root(), "", &out);
  return out;
}

IsoImage ancestor_extents() {
  IsoImage image(40);
  image.folder(20, 20);
  image.add(20, "A", 21, kSector, 2);
  image.folder(21, 20);
  image.add(21, "B", 22, kSector, 2);
  image.folder(22, 30);                   // its ".." names no folder of the disc
  image.add(22, "UP", 21, kSector, 2);    // back at its grandparent
  image.add(22, "SELF", 22, kSector, 2);  // at itself
  image.add(22, "ROOT", 20, kSector, 2);  // at the root
  image.add(22, "TWICE", 23, kSector, 2);
  image.add(22, "TWICE2", 23, kSector, 2);  // the same folder again
  image.folder(23, 22);
  image.add(23, "F;1", 31, 3, 0);
  image.add(20, "C", 23, kSector, 2);     // and once more, elsewhere
  return image;
}

IsoImage relocations() {
  IsoImage image(40);
  image.folder(20, 20, sp());
  image.add(20, "X", 20, 0, 0, nm("x") + cl(20));  // CL to the root
  image.add(20, "A", 21, kSector, 2, nm("a"));
  image.add(20, "R", 0, 0, 0, nm("r") + cl(24));   // a relocated folder
  image.add(20, "RR_MOVED", 25, kSector, 2, nm("rr_moved"));
  image.folder(21, 20);
  image.add(21, "Y", 0, 0, 0, nm("y") + cl(21));   // CL to itself
  image.add(21, "Z", 0, 0, 0, nm("z") + cl(22));   // CL to a folder whose PL names another
  image.folder(22, 30, "", pl(23));
  image.folder(24, 25, "", pl(20));
  image.add(24, "F;1", 31, 3, 0, nm("f"));
  image.folder(25, 20);
  image.add(25, "R", 24, kSector, 2, nm("r") + re());
  return image;
}

IsoImage continuations() {
  IsoImage image(100);
  image.folder(20, 20, sp());
  image.add(20, "F1;1", 90, 1, 0, nm("a", 1) + ce(30, 0, 64));
  image.put(30, 0, nm("b", 1) + ce(30, 0, 64));  // an area naming itself
  image.add(20, "F2;1", 90, 1, 0, ce(31, 0, 64));
  for (uint32_t s = 31; s < 71; ++s) image.put(s, 0, nm("y", 1) + ce(s + 1, 0, 64));  // 40 links
  image.add(20, "F3;1", 90, 1, 0, nm("ok") + ce(100000, 0, 64));  // outside the volume
  image.add(20, "F4;1", 90, 1, 0, nm("x", 1) + ce(99, 2000, 100));  // running past the volume
  return image;
}

IsoImage big_folders() {
  const uint32_t many = static_cast<uint32_t>(pdiset::kMaxFolderEntries) + 1;
  const uint32_t sectors = many / (kSector / 34) + 2;
  IsoImage image(30 + sectors);
  image.folder(20, 20);
  image.add(20, "BIG", 21, uint32_t(pdiset::kMaxDirectoryBytes) + 1, 2);
  image.add(20, "MANY", 30, sectors * kSector, 2);
  image.folder(21, 20);
  image.folder(30, 20, "", "", sectors * kSector);
  for (uint32_t i = 0; i < many; ++i) image.add(30, "F", 29, 1, 0);
  image.add(20, "FEW", 22, kSector, 2);
  image.folder(22, 20);
  image.add(22, "F", 29, 1, 0);
  return image;
}

IsoImage sections() {
  IsoImage image(80);
  image.folder(20, 20);
  image.add(20, "M.MKV;1", 40, 2 * kSector, 0x80);
  image.add(20, "M.MKV;1", 50, kSector, 0x80);
  image.add(20, "M.MKV;1", 60, 5, 0);
  image.add(20, "N;1", 70, kSector, 0x80);  // ended by another name
  image.add(20, "O.;1", 71, 1, 1);          // hidden
  image.add(20, "P;1", 72, 0, 4);           // associated, empty: no extent
  return image;
}

TEST(IsoTree, HostileAndSectionedTrees) {
  struct Case {
    const char* what;
    IsoImage image;
    std::string walk;
  };
  const Case cases[] = {
      {"extents of the folder or its ancestors left out; others shown under every name", ancestor_extents(),
       "A/ A/B/-3 A/B/TWICE/ A/B/TWICE/F=3@31 A/B/TWICE2/ A/B/TWICE2/F=3@31 C/ C/F=3@31"},
      {"CL to the root or to itself left out, PL never read; rr_moved hidden", relocations(),
       "-1 a/-1 a/z/ r/ r/f=3@31"},
      {"continuation chains: no repeat, at most 32 links, inside the volume", continuations(),
       "ab=1@90 " + std::string(32, 'y') + "=1@90 ok=1@90 x=1@90"},
      {"a folder over 16 MiB and one over the entry bound", big_folders(), "BIG/! MANY/! FEW/ FEW/F=1@29"},
      {"sections joined; hidden and associated files shown", sections(),
       "M.MKV=6149@40,50,60 N=2048@70 O=1@71 P=0"},
  };
  for (const Case& c : cases) EXPECT_EQ(transcript(c.image), c.walk) << c.what;
}

// Modification times from TF entries, short and long form, after a
// creation time; the expected seconds come from date(1).
TEST(IsoTree, RockRidgeTimes) {
  IsoImage image(40);
  image.folder(20, 20, sp());
  const std::string created("\x65\x01\x01\0\0\0\0", 7);  // 2001-01-01, recorded first
  // 2001-02-03 04:05:06 at UTC+1 (four quarter hours): 03:05:06 UTC.
  image.add(20, "S;1", 30, 1, 0,
            nm("short") + entry("TF", std::string("\x03", 1) + created + "\x65\x02\x03\x04\x05\x06\x04"));
  const std::string created_long = std::string("2001010100000000") + '\0';
  image.add(20, "L;1", 30, 1, 0,
            nm("long") + entry("TF", "\x83" + created_long + "2001020304050600" + std::string(1, '\0')));
  image.add(20, "N;1", 30, 1, 0, nm("none"));  // no TF: the record's own date
  pdiset::MemoryImage source(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
  std::unique_ptr<pdiset::DiscTree> tree;
  ASSERT_FALSE(pdiset::open_iso_tree(source, &tree));
  std::vector<DiscEntry> entries;
  ASSERT_FALSE(tree->read_folder(tree->root(), &entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].mtime, 981169506);  // date -u -d '2001-02-03 03:05:06' +%s
  EXPECT_EQ(entries[1].mtime, 981173106);  // date -u -d '2001-02-03 04:05:06' +%s
  EXPECT_EQ(entries[2].mtime, 1044608703);  // the writer's date: date -u -d '2003-02-07 09:05:03' +%s
}

TEST(IsoTree, NestingBound) {
  const uint32_t levels = pdiset::kMaxIsoDepth + 5;
  IsoImage image(30 + levels);
  image.folder(20, 20);
  image.add(20, "D", 30, kSector, 2);
  for (uint32_t i = 0; i < levels; ++i) {
    image.folder(30 + i, i == 0 ? 20 : 29 + i);
    image.add(30 + i, "D", 31 + i, kSector, 2);
  }
  std::string out = transcript(image);
  // Folders down to the bound are read; the one below it is listed, unread.
  EXPECT_EQ(std::count(out.begin(), out.end(), ' ') + 1, pdiset::kMaxIsoDepth + 1);
  EXPECT_EQ(out.substr(out.size() - 4), "/D/!");
}

// A genisoimage -udf disc of the files that fill makes in the folder dir,
// read into memory; the folder and the image are removed again.
std::vector<unsigned char> master_udf_bridge(const std::string& name, const std::string& fill) {
  std::string dir = testing::TempDir() + name;
  std::string iso = dir + ".iso";
  EXPECT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "' && cd '" + dir + "' && " + fill +
                         " && genisoimage -quiet -udf -o '" + iso + "' '" + dir + "'")
                            .c_str()),
            0);
  std::ifstream in(iso, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::remove(iso.c_str());
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
  return bytes;
}

// Which tree open_disc_tree shows for these bytes; -1 for none.
int tree_kind(const std::vector<unsigned char>& bytes) {
  pdiset::MemoryImage source(bytes.data(), static_cast<int64_t>(bytes.size()));
  std::unique_ptr<pdiset::DiscTree> tree;
  EXPECT_FALSE(pdiset::open_disc_tree(source, &tree));
  return tree ? int(tree->kind()) : -1;
}

// A disc with both trees shows UDF only when its ISO 9660 tree holds less
// (a placeholder); the mastering tool's bridge disc keeps ISO 9660.
TEST(DiscTree, UdfWhenIsoIsAPlaceholder) {
  if (std::system("genisoimage -version > /dev/null 2>&1") != 0) GTEST_SKIP() << "genisoimage is missing";
  std::vector<unsigned char> bytes =
      master_udf_bridge("iso_tree_test_disc", "mkdir -p one/two && echo a > one/two/f && echo b > g");
  ASSERT_GT(bytes.size(), size_t{40 * kSector});
  EXPECT_EQ(tree_kind(bytes), int(pdiset::TreeKind::kIso9660));
  // The root record of the primary descriptor pointed at "two", which
  // holds one file where the UDF tree holds five entries.
  pdiset::MemoryImage source(bytes.data(), static_cast<int64_t>(bytes.size()));
  std::unique_ptr<pdiset::DiscTree> iso_tree;
  ASSERT_FALSE(pdiset::open_iso_tree(source, &iso_tree));
  std::vector<DiscEntry> root, one;
  ASSERT_FALSE(iso_tree->read_folder(iso_tree->root(), &root));
  ASSERT_EQ(root.size(), 2u);
  ASSERT_FALSE(iso_tree->read_folder(root[1].type == DiscEntryType::kFolder ? root[1] : root[0], &one));
  ASSERT_EQ(one.size(), 1u);
  uint32_t two = std::get<pdiset::IsoFolderAt>(one[0].folder->at).sector;
  pdi_maker::put_both32(&bytes[16 * kSector + 156 + 2], two);
  EXPECT_EQ(tree_kind(bytes), int(pdiset::TreeKind::kUdf));
}

// Roots with as many folders and files: the UDF tree when its files hold
// more bytes (a placeholder README against the disc's one big file).
TEST(DiscTree, UdfWhenItsRootHoldsMoreBytes) {
  if (std::system("genisoimage -version > /dev/null 2>&1") != 0) GTEST_SKIP() << "genisoimage is missing";
  std::vector<unsigned char> bytes = master_udf_bridge("iso_tree_test_bytes", "head -c 5000 /dev/zero > f");
  ASSERT_GT(bytes.size(), size_t{17 * kSector});
  EXPECT_EQ(tree_kind(bytes), int(pdiset::TreeKind::kIso9660));
  // The ISO 9660 record of "F.;1" (identifier at byte 33 of its record,
  // its length before it) made to say 10 bytes, inside the root's extent
  // as the primary descriptor records it.
  const unsigned char* root = &bytes[16 * kSector + 156];
  const size_t root_at = size_t{root[2] | root[3] << 8 | root[4] << 16 | unsigned{root[5]} << 24} * kSector;
  const std::string id = std::string(1, '\x04') + "F.;1";
  auto found = std::search(bytes.begin() + root_at, bytes.begin() + root_at + kSector, id.begin(), id.end());
  ASSERT_NE(found, bytes.begin() + root_at + kSector);
  pdi_maker::put_both32(&*(found - 32 + 10), 10);
  EXPECT_EQ(tree_kind(bytes), int(pdiset::TreeKind::kUdf));
}

}  // namespace
