// The parts of quarnex-mount that need no mount: its command line, the tree
// it shows (names, sizes, times, the .iso's length) and the guarded reads of
// a real set on disk, whose expected bytes come from the maker's image.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <map>
#include <thread>

#include "file_pieces.h"
#include "guarded_reader.h"
#include "mount_nodes.h"
#include "mount_options.h"
#include "mount_tree.h"
#include "pdi_maker.h"
#include "pdi_test_util.h"
#include "pdiset/image_set.h"

namespace {

using quarnex_mount::MountEntry;
using quarnex_mount::MountOptions;

MountOptions parsed(std::vector<const char*> words, std::string* error) {
  words.insert(words.begin(), "quarnex-mount");
  MountOptions o;
  *error = quarnex_mount::parse_mount_options(static_cast<int>(words.size()), words.data(), &o);
  return o;
}

TEST(MountOptions, WordsAndWhatTheyGive) {
  struct Case {
    std::vector<const char*> words;
    std::string set, mount_point;
    bool foreground, debug;
    std::vector<std::string> fuse;
  };
  const Case cases[] = {
      {{"movie", "m"}, "movie.pdi", "m", false, false, {}},
      {{"movie.pdi", "m"}, "movie.pdi", "m", false, false, {}},
      {{"MOVIE.PDI", "m"}, "MOVIE.PDI", "m", false, false, {}},
      {{"dir/x.pdi01", "m"}, "dir/x.pdi", "m", false, false, {}},  // a member names its set
      {{"x.pdi1", "m"}, "x.pdi1.pdi", "m", false, false, {}},
      {{"-f", "a", "b"}, "a.pdi", "b", true, false, {}},
      {{"a", "-d", "b"}, "a.pdi", "b", true, true, {}},
      {{"-o", "allow_other,ro", "a", "b", "-oauto_unmount"}, "a.pdi", "b", false, false,
       {"allow_other,ro", "auto_unmount"}},
      {{"--", "-a", "b"}, "-a.pdi", "b", false, false, {}},
      // What mount(8) and mount.fuse3 pass from fstab: rw and mount(8)'s own
      // words are left out, a list of nothing else leaves no -o at all.
      {{"a", "b", "-o", "rw,dev,suid"}, "a.pdi", "b", false, false, {"dev,suid"}},
      {{"a", "b", "-o", "nofail,user,noauto,_netdev,x-gvfs-show,defaults,users,comment=x", "-o", "ro"},
       "a.pdi", "b", false, false, {"ro"}},
      {{"-o", "allow_other,,auto", "-o", "fsname=a\\,rw,rw", "a", "b"}, "a.pdi", "b", false, false,
       {"allow_other", "fsname=a\\,rw"}},
  };
  for (const Case& c : cases) {
    std::string error;
    MountOptions o = parsed(c.words, &error);
    SCOPED_TRACE(c.words[0]);
    EXPECT_EQ(error, "");
    EXPECT_EQ(o.set_name, c.set);
    EXPECT_EQ(o.mount_point, c.mount_point);
    EXPECT_EQ(o.foreground, c.foreground);
    EXPECT_EQ(o.debug, c.debug);
    EXPECT_EQ(o.fuse_options, c.fuse);
  }
}

TEST(MountOptions, MistakesAreNamed) {
  struct Case {
    std::vector<const char*> words;
    std::string error;
  };
  const Case cases[] = {
      {{}, "no image set and mount point given"},
      {{"a"}, "no mount point given"},
      {{"a", "b", "c"}, "unexpected argument c"},
      {{"-x", "a", "b"}, "unknown option -x"},
      {{"a", "b", "-o"}, "-o needs mount options"},
      {{"", "b"}, "empty image set name"},
      {{"a", ""}, "empty mount point name"},
  };
  for (const Case& c : cases) {
    std::string error;
    parsed(c.words, &error);
    EXPECT_EQ(error, c.error);
  }
  std::string error;
  EXPECT_TRUE(parsed({"--help"}, &error).help);
  EXPECT_EQ(error, "");
  EXPECT_TRUE(parsed({"--version"}, &error).version);
  EXPECT_EQ(error, "");
}

TEST(MountTree, SetBaseNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"movie.pdi", "movie"}, {"/a/b/Movie.PDI", "Movie"}, {"x.pdi.pdi", "x.pdi"}, {".pdi", ".pdi"}, {"a/b", "b"}};
  for (const auto& c : cases) EXPECT_EQ(quarnex_mount::set_base_name(c.first), c.second) << c.first;
}

TEST(MountTree, RecordTimesInUtc) {
  struct Case {
    int year, month, day, hour, minute, second, offset;
    int64_t seconds;  // from date -u +%s
  };
  const Case cases[] = {
      {2003, 2, 7, 9, 5, 3, 0, 1044608703},
      {2003, 2, 7, 9, 5, 3, 4, 1044608703 - 3600},   // one hour east of UTC
      {2003, 2, 7, 9, 5, 3, -20, 1044608703 + 18000},
      {2000, 2, 29, 23, 59, 59, 0, 951868799},
      {1970, 1, 1, 0, 0, 0, 0, 0},
      {1900, 1, 1, 0, 0, 0, 0, -2208988800},
      {2003, 0, 0, 9, 5, 3, 0, 0},  // no date
  };
  for (const Case& c : cases) {
    pdiset::DirectoryRecord r;
    r.year = c.year, r.month = c.month, r.day = c.day, r.hour = c.hour, r.minute = c.minute, r.second = c.second;
    r.gmt_offset = c.offset;
    EXPECT_EQ(quarnex_mount::record_time(r), c.seconds) << c.year << "-" << c.month << "-" << c.day;
  }
}

pdiset::DirectoryRecord record(const std::string& name, uint32_t sector, uint32_t length, unsigned flags = 0) {
  pdiset::DirectoryRecord r;
  r.name = name;
  r.first_sector = sector;
  r.data_length = length;
  r.flags = flags;
  r.year = 2001, r.month = 5, r.day = 6, r.hour = 7;
  return r;
}

TEST(MountTree, FilesNamesAndTheFolder) {
  pdiset::FoundDirectory found;
  found.name = "VIDEO_TS";
  found.records = {record(std::string(1, '\0'), 69, 2048, 2), record(std::string(1, '\1'), 20, 2048, 2),
                   record("B.VOB;1", 300, 5000),  record("../UP;1", 100, 10),
                   record("A.IFO;1", 200, 2048),  record("SUB", 400, 2048, 2),
                   record("HID;1", 500, 9, 1),    record("B.VOB;2", 310, 7),
                   record("..;1", 120, 1),        record(std::string("C\x01;1"), 130, 0)};
  std::vector<std::string> notes;
  quarnex_mount::MountTree tree = quarnex_mount::build_mount_tree("movie", found, {}, 1000, 77, &notes);
  ASSERT_EQ(tree.files.size(), 3u);
  // In directory order, the later B.VOB shown where it stands.
  EXPECT_EQ(tree.files[0].name, "A.IFO");
  EXPECT_EQ(tree.files[0].image_offset, 200 * 2048);
  EXPECT_EQ(tree.files[0].size, 2048);
  EXPECT_EQ(tree.files[1].name, "B.VOB");
  EXPECT_EQ(tree.files[1].image_offset, 310 * 2048);
  EXPECT_EQ(tree.files[1].size, 7);
  EXPECT_EQ(tree.files[2].name, std::string("C\x01"));
  EXPECT_EQ(tree.files[2].mtime, 989132400);  // 2001-05-06 07:00:00 UTC
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "Warning: file ../UP;1 has a name that cannot be written safely, left out",
                       "Warning: two files are named B.VOB; the later one in the directory is shown",
                       "Warning: file ..;1 has a name that cannot be written safely, left out"}));
  EXPECT_EQ(tree.folder_name, "VIDEO_TS");
  EXPECT_EQ(tree.folder_mtime, 989132400);
  EXPECT_EQ(tree.iso.name, "movie.iso");
  EXPECT_EQ(tree.iso.mtime, 77);
}

TEST(MountTree, FolderNameFallsBack) {
  struct Case {
    std::string directory, at69, volume, expected;
  };
  const Case cases[] = {
      {"VIDEO_TS", "", "DISC", "VIDEO_TS"}, {"", "", "DISC", "DISC"},       {"", "", "", "movie"},
      {"", "", "A/B", "movie"},             {"..", "", "DISC", "DISC"},      {"", "", "movie.iso", "movie"},
      {"", "VIDEO_TS", "DISC", "VIDEO_TS"},
  };
  for (const Case& c : cases) {
    pdiset::FoundDirectory found;
    found.name = c.directory;
    pdiset::VolumeFacts volume;
    volume.sector69_name = c.at69;
    volume.volume_name = c.volume;
    std::vector<std::string> notes;
    EXPECT_EQ(quarnex_mount::build_mount_tree("movie", found, volume, 10, 0, &notes).folder_name, c.expected)
        << c.directory << "|" << c.volume;
  }
}

// A maker set on disk, opened as the mount opens it.
class GuardedReads : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    // Cuts inside sectors, one member a single byte long.
    image = pdi_test::write_dvd_set(dir.path + "/set", 2, 100000, {70000, 1, 130001}, &names, &error);
    ASSERT_EQ(names.size(), 4u) << error;
    ASSERT_FALSE(pdiset::ImageSet::open(dir.path + "/set.pdi", &set));
    notes = tmpfile();
  }
  void TearDown() override { fclose(notes); }
  int note_lines() {
    fflush(notes);
    rewind(notes);
    int lines = 0;
    for (int c; (c = fgetc(notes)) != EOF;) lines += c == '\n';
    return lines;
  }
  MountEntry whole() const { return MountEntry{"x.iso", 0, static_cast<int64_t>(image.sector_count * 2048), 0}; }

  pdi_test::TempDir dir;
  pdi_maker::Image image;
  std::vector<std::string> names;
  pdiset::ImageSet set;
  FILE* notes = nullptr;
};

TEST_F(GuardedReads, MemberUnchanged) {
  // Removed, replaced by an equal copy, cut short, grown: only the last stays.
  EXPECT_TRUE(set.member_unchanged(0) && set.member_unchanged(1) && set.member_unchanged(2) && set.member_unchanged(3));
  ASSERT_EQ(unlink(names[1].c_str()), 0);
  ASSERT_EQ(system(("cp " + names[0] + " " + names[0] + ".copy && mv " + names[0] + ".copy " + names[0]).c_str()), 0);
  ASSERT_EQ(truncate(names[2].c_str(), 100), 0);
  FILE* grow = fopen(names[3].c_str(), "ab");
  fputs("more", grow);
  fclose(grow);
  EXPECT_FALSE(set.member_unchanged(0));
  EXPECT_FALSE(set.member_unchanged(1));
  EXPECT_FALSE(set.member_unchanged(2));
  EXPECT_TRUE(set.member_unchanged(3));
  EXPECT_FALSE(set.member_unchanged(4));
}

TEST_F(GuardedReads, BytesAcrossMembersAndEnds) {
  quarnex_mount::GuardedReader reader(set, notes, 0);
  MountEntry iso = whole();
  std::vector<uint8_t> buffer(300000);
  struct Case {
    int64_t offset, count, expected;
  };
  const int64_t size = iso.size;
  const Case cases[] = {
      {0, 300000, 300000}, {70000 - 304 - 5, 10, 10}, {69695, 1, 1}, {size - 10, 100, 10}, {size, 10, 0},
      {size + 5000, 10, 0}, {-1, 10, 0}, {5, 0, 0},
  };
  for (const Case& c : cases) {
    int64_t got = reader.read(iso, c.offset, buffer.data(), c.count);
    ASSERT_EQ(got, c.expected) << c.offset;
    if (got > 0) {
      EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + got),
                pdi_test::image_range(image, static_cast<uint64_t>(c.offset), static_cast<size_t>(got)))
          << c.offset;
    }
  }
  // A file's range: its own bytes only, never past its length.
  MountEntry file{"f", 40 * 2048 + 3, 5000, 0};
  EXPECT_EQ(reader.read(file, 4990, buffer.data(), 100), 10);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 10), pdi_test::image_range(image, 40 * 2048 + 3 + 4990, 10));
  // Bytes the set does not hold are an error, not zeros.
  MountEntry beyond{"b", size - 2048, 4096, 0};
  EXPECT_EQ(reader.read(beyond, 0, buffer.data(), 4096), -EIO);
  EXPECT_EQ(reader.read(beyond, 0, buffer.data(), 2048), 2048);
  EXPECT_EQ(reader.missing_members(), 0);
  EXPECT_EQ(note_lines(), 0);
}

TEST_F(GuardedReads, RemovedAndCutMembersFailOnceNoted) {
  quarnex_mount::GuardedReader reader(set, notes, 0);
  MountEntry iso = whole();
  std::vector<uint8_t> buffer(4096);
  EXPECT_TRUE(reader.check_entry(iso));
  ASSERT_EQ(unlink(names[2].c_str()), 0);        // stream bytes 70001 .. 200001
  ASSERT_EQ(truncate(names[3].c_str(), 1000), 0);  // the last member, cut short
  const int64_t in_removed = 100000 - 304, in_first = 100, in_last_kept = 200001 - 304 + 500,
                in_last_cut = 200001 - 304 + 2000;
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(reader.read(iso, in_removed, buffer.data(), 100), -EIO);
    EXPECT_EQ(reader.read(iso, in_first, buffer.data(), 100), 100);
    EXPECT_EQ(reader.read(iso, in_last_cut, buffer.data(), 100), -EIO);
  }
  // The kept start of the cut member still reads, as it was.
  EXPECT_EQ(reader.read(iso, in_last_kept, buffer.data(), 100), -EIO);  // the member is noted: all of it fails
  EXPECT_EQ(reader.read(iso, in_first, buffer.data(), 100), 100);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 100), pdi_test::image_range(image, in_first, 100));
  EXPECT_FALSE(reader.check_entry(iso));
  EXPECT_EQ(reader.missing_members(), 2);
  EXPECT_EQ(note_lines(), 2);
}

TEST_F(GuardedReads, ChecksWaitForTheirInterval) {
  // With a long interval a member found in place is trusted: its old bytes,
  // still those of the set, read until the interval ends or a check is forced.
  quarnex_mount::GuardedReader reader(set, notes, 3600 * 1000);
  MountEntry iso = whole();
  std::vector<uint8_t> buffer(100);
  EXPECT_EQ(reader.read(iso, 100000 - 304, buffer.data(), 100), 100);
  ASSERT_EQ(unlink(names[2].c_str()), 0);
  EXPECT_EQ(reader.read(iso, 100000 - 304, buffer.data(), 100), 100);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.end()), pdi_test::image_range(image, 100000 - 304, 100));
  EXPECT_FALSE(reader.check_entry(iso));
  EXPECT_EQ(reader.read(iso, 100000 - 304, buffer.data(), 100), -EIO);
  EXPECT_EQ(note_lines(), 1);
}

// A file's pieces: zeros, runs of image bytes anywhere, read at any offset
// and across pieces; bytes no piece holds are an error.
TEST_F(GuardedReads, FilePiecesReadInOrder) {
  quarnex_mount::GuardedReader reader(set, notes, 0);
  const std::vector<pdiset::DataExtent> extents = {{-1, 3000}, {40 * 2048 + 3, 5000}, {0, 0}, {100 * 2048, 2049}};
  const std::vector<quarnex_mount::FilePiece> pieces = quarnex_mount::pieces_of(extents);
  ASSERT_EQ(pieces.size(), 3u);
  std::vector<uint8_t> whole(3000, 0);
  for (auto run : {std::make_pair(40 * 2048 + 3, 5000), std::make_pair(100 * 2048, 2049)}) {
    std::vector<uint8_t> bytes = pdi_test::image_range(image, static_cast<uint64_t>(run.first), run.second);
    whole.insert(whole.end(), bytes.begin(), bytes.end());
  }
  const int64_t size = static_cast<int64_t>(whole.size());
  std::vector<uint8_t> buffer(20000);
  char* into = reinterpret_cast<char*>(buffer.data());
  for (int64_t offset : {int64_t{0}, int64_t{2999}, int64_t{3001}, int64_t{7999}, size - 1}) {
    for (int64_t count : {int64_t{1}, int64_t{2}, int64_t{5001}, int64_t{20000}}) {
      int64_t got = quarnex_mount::read_pieces(&reader, pieces, "", size, offset, into, count);
      ASSERT_EQ(got, std::min(count, size - offset)) << offset << "+" << count;
      EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + got, whole.begin() + offset)) << offset << "+" << count;
    }
  }
  EXPECT_EQ(quarnex_mount::read_pieces(&reader, pieces, "", size + 10, size - 5, into, 10), -EIO);
  EXPECT_EQ(quarnex_mount::read_pieces(&reader, {}, "", 10, 0, into, 10), -EIO);
  EXPECT_EQ(quarnex_mount::read_pieces(&reader, {}, "held in its entry", 17, 8, into, 100), 9);
  EXPECT_EQ(std::string(into, 9), "its entry");
  EXPECT_TRUE(quarnex_mount::pieces_in_place(&reader, pieces));
}

// A disc tree written out by hand: folders by number, each read counted.
class HandTree : public pdiset::DiscTree {
 public:
  pdiset::TreeKind kind() const override { return pdiset::TreeKind::kRockRidge; }
  const pdiset::DiscEntry& root() const override { return root_; }
  std::optional<pdiset::Failure> read_folder(const pdiset::DiscEntry& folder, std::vector<pdiset::DiscEntry>* entries,
                                             std::vector<std::string>* notes) const override {
    const int64_t node = std::get<pdiset::IsoFolderAt>(folder.folder->at).sector;
    ++reads[node];
    if (node == 99) return pdiset::Failure{"folder 99", EIO};
    *entries = folders.at(node);
    if (node == 2) notes->push_back("a record was left out");
    return std::nullopt;
  }
  static pdiset::DiscEntry entry(const std::string& name, pdiset::DiscEntryType type, int64_t node = 0) {
    pdiset::DiscEntry e;
    e.name = name;
    e.type = type;
    if (type == pdiset::DiscEntryType::kFolder) {
      auto handle = std::make_shared<pdiset::FolderHandle>();
      handle->at = pdiset::IsoFolderAt{static_cast<uint32_t>(node), 0};
      e.folder = std::move(handle);
    }
    e.size = type == pdiset::DiscEntryType::kFile ? 1 : 0;
    return e;
  }
  pdiset::DiscEntry root_ = entry("", pdiset::DiscEntryType::kFolder, 1);
  std::map<int64_t, std::vector<pdiset::DiscEntry>> folders;
  mutable std::map<int64_t, std::atomic<int>> reads;
};

TEST(MountNodes, NamesAFolderCannotHoldAndDuplicatesLeftOut) {
  using T = pdiset::DiscEntryType;
  HandTree tree;
  tree.folders[1] = {HandTree::entry("disc.iso", T::kFile),      HandTree::entry("a/b", T::kFile),
                     HandTree::entry("", T::kFile),              HandTree::entry(".", T::kFolder, 2),
                     HandTree::entry("..", T::kFolder, 2),       HandTree::entry(std::string("n\0l", 3), T::kFile),
                     HandTree::entry("dup", T::kFile),           HandTree::entry("sub", T::kFolder, 2),
                     HandTree::entry("dup", T::kFolder, 2),      HandTree::entry("bad", T::kFolder, 99),
                     HandTree::entry("disc (image).iso", T::kFile)};
  tree.folders[2] = {HandTree::entry("x", T::kFile)};
  for (auto& f : tree.folders) tree.reads[f.first] = 0;
  tree.reads[99] = 0;
  FILE* notes = tmpfile();
  quarnex_mount::MountNodes nodes(&tree, MountEntry{"disc.iso", 0, 4096, 5}, notes);
  const quarnex_mount::FolderEntries* root = nodes.folder(1);
  std::vector<std::string> names;
  for (uint64_t ino : root->children) names.emplace_back(nodes.node(ino)->name);
  // The image first, under a name no root entry has; then the disc's order.
  EXPECT_EQ(names, (std::vector<std::string>{"disc (image 2).iso", "disc.iso", "sub", "dup", "bad", "disc (image).iso"}));
  EXPECT_EQ(nodes.iso().size, 4096);
  EXPECT_EQ(nodes.node(nodes.lookup(1, "dup"))->type, quarnex_mount::NodeType::kFolder);
  rewind(notes);
  std::string text;
  for (int c; (c = fgetc(notes)) != EOF;) text += static_cast<char>(c);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << text;
  EXPECT_NE(text.find("in /, two entries are named dup; the earlier is left out"), std::string::npos) << text;
  EXPECT_NE(text.find("in /, the name n?l cannot be shown in a folder; left out"), std::string::npos) << text;
  // Folders are read when first visited, once, whichever thread asks.
  EXPECT_EQ(tree.reads[2].load(), 0);
  const int64_t sub = nodes.lookup(1, "sub");
  std::atomic<int64_t> first{0}, differ{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      int64_t x = nodes.lookup(static_cast<uint64_t>(sub), "x");
      int64_t expected = 0;
      if (!first.compare_exchange_strong(expected, x) && expected != x) ++differ;
    });
  for (std::thread& t : threads) t.join();
  EXPECT_GT(first.load(), 0);
  EXPECT_EQ(differ.load(), 0);
  EXPECT_EQ(tree.reads[2].load(), 1);
  EXPECT_EQ(nodes.lookup(static_cast<uint64_t>(sub), "x"), first.load());  // the same number every time
  EXPECT_EQ(nodes.lookup(static_cast<uint64_t>(sub), "y"), 0);
  EXPECT_EQ(nodes.lookup(static_cast<uint64_t>(nodes.lookup(1, "bad")), "x"), -1);
  // What the tree left out of a folder is told once, with the folder's path.
  rewind(notes);
  text.clear();
  for (int c; (c = fgetc(notes)) != EOF;) text += static_cast<char>(c);
  EXPECT_NE(text.find("quarnex-mount: in /sub, a record was left out\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("a record was left out"), text.rfind("a record was left out")) << text;
  fclose(notes);
}

}  // namespace
