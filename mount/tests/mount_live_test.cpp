// Real mounts of image sets: maker sets cut at odd places (every file and
// the .iso against the maker's image bytes), random reads from several
// threads, members removed or cut short while mounted, hostile directories,
// and the errors that end the program before it mounts. Needs /dev/fuse and
// fusermount3; without them every test fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <random>
#include <set>
#include <thread>

#include "mount_support.h"
#include "pdi_maker.h"
#include "pdi_test_util.h"

namespace {

using mount_test::Mount;

std::set<std::string> names_in(const std::string& folder) {
  std::set<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* e = readdir(dir))
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.insert(e->d_name);
  closedir(dir);
  return names;
}

// Reads count bytes at offset from path, opened afresh; the bytes read, or
// -errno of the failing read.
int64_t read_at(const std::string& path, int64_t offset, std::vector<uint8_t>* out, size_t count) {
  out->assign(count, 0);
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return -errno;
  size_t done = 0;
  int64_t result = 0;
  while (done < count) {
    ssize_t got = pread(fd, out->data() + done, count - done, offset + static_cast<off_t>(done));
    if (got < 0) {
      result = -errno;
      break;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  if (result == 0) result = static_cast<int64_t>(done);
  out->resize(done);
  return result;
}

struct MemberState {
  off_t size;
  time_t mtime;
  ino_t inode;
};

std::vector<MemberState> state_of(const std::vector<std::string>& members) {
  std::vector<MemberState> states;
  for (const std::string& m : members) {
    struct stat st;
    if (stat(m.c_str(), &st) == 0) states.push_back({st.st_size, st.st_mtime, st.st_ino});
  }
  return states;
}

bool same(const std::vector<MemberState>& a, const std::vector<MemberState>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].size != b[i].size || a[i].mtime != b[i].mtime || a[i].inode != b[i].inode) return false;
  return true;
}

class MountedSet : public ::testing::Test {
 protected:
  void make(int vobs, uint64_t vob_size, const std::vector<uint64_t>& cuts, int directory_sectors = 1) {
    pdi_maker::ImagePlan plan;
    plan.files = pdi_maker::dvd_files(vobs, vob_size);
    plan.directory_sectors = directory_sectors;
    image = pdi_maker::build_image(plan);
    std::string error;
    members = pdi_maker::write_set(image, dir.path + "/disc", cuts, &error);
    ASSERT_FALSE(members.empty()) << error;
    mount_point = dir.path + "/mnt";
    ASSERT_EQ(mkdir(mount_point.c_str(), 0755), 0);
  }
  std::string iso() const { return mount_point + "/disc.iso"; }
  uint64_t iso_size() const { return image.sector_count * pdi_maker::kSectorSize; }

  pdi_test::TempDir dir;
  pdi_maker::Image image;
  std::vector<std::string> members;
  std::string mount_point;
};

TEST_F(MountedSet, EveryFileAndTheIsoAsTheImageHoldsThem) {
  struct Layout {
    const char* what;
    int vobs;
    uint64_t vob_size;
    std::vector<uint64_t> cuts;
  };
  const Layout layouts[] = {
      {"three members cut inside sectors", 3, 3 * 1024 * 1024 + 1000, {4000000, 3500000}},
      {"cuts at sector starts and a one-byte member", 2, 1000001, {304 + 100 * 2048, 1, 304 + 300 * 2048}},
      {"one member", 1, 5000, {}},
      {"many small members", 4, 200003, {77777, 100000, 3, 2048, 65536, 131071, 9999, 250000}},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.what);
    pdi_test::TempDir fresh;
    std::swap(dir.path, fresh.path);
    make(layout.vobs, layout.vob_size, layout.cuts);
    std::vector<MemberState> before = state_of(members);
    {
      Mount m(members[0], mount_point);
      ASSERT_TRUE(m.mounted()) << m.err();
      EXPECT_EQ(names_in(mount_point), (std::set<std::string>{"disc.iso", "VIDEO_TS"}));
      std::set<std::string> expected_names;
      for (const pdi_maker::PlacedFile& f : image.files) {
        // The disc's tree: every record of the directory, its subfolder too.
        std::string name = pdi_test::without_version(f.identifier);
        expected_names.insert(name);
        if (f.flags & 2) continue;
        std::string path = mount_point + "/VIDEO_TS/" + name;
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0) << name;
        EXPECT_EQ(static_cast<uint64_t>(st.st_size), f.size) << name;
        EXPECT_EQ(st.st_mtime, 1044608703) << name;  // 2003-02-07 09:05:03 UTC, the maker's date
        std::vector<uint8_t> bytes;
        EXPECT_EQ(read_at(path, 0, &bytes, f.size + 4096), static_cast<int64_t>(f.size)) << name;
        EXPECT_TRUE(bytes == pdi_test::image_range(image, uint64_t{f.first_sector} * 2048, f.size)) << name;
      }
      EXPECT_EQ(names_in(mount_point + "/VIDEO_TS"), expected_names);
      std::vector<uint8_t> bytes;
      EXPECT_EQ(read_at(iso(), 0, &bytes, iso_size() + 10000), static_cast<int64_t>(iso_size()));
      EXPECT_TRUE(bytes == pdi_test::image_range(image, 0, iso_size()));
      // Nothing can be written or made.
      EXPECT_EQ(open(iso().c_str(), O_WRONLY), -1);
      EXPECT_EQ(errno, EROFS);
      EXPECT_NE(mkdir((mount_point + "/new").c_str(), 0755), 0);
      bool unmounted = false;
      EXPECT_EQ(m.unmount(&unmounted), 0);
      EXPECT_TRUE(unmounted);
      EXPECT_EQ(m.err(), "");
    }
    EXPECT_FALSE(mount_test::is_mounted(mount_point));
    EXPECT_TRUE(same(state_of(members), before));
    std::swap(dir.path, fresh.path);
  }
}

TEST_F(MountedSet, RandomReadsFromSeveralThreads) {
  make(4, 700001, {100003, 304 + 69 * 2048 + 7, 1, 500000, 2049, 650000, 1200001});
  Mount m(members[0], mount_point);
  ASSERT_TRUE(m.mounted()) << m.err();
  // Member boundaries in image bytes, where split sectors lie.
  std::vector<int64_t> boundaries;
  int64_t stream = 0;
  for (const std::string& name : members) {
    struct stat st;
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    stream += st.st_size;
    boundaries.push_back(stream - 304);
  }
  const int64_t size = static_cast<int64_t>(iso_size());
  std::atomic<int> wrong{0}, reads{0};
  auto reader = [&](unsigned seed) {
    std::mt19937_64 random(seed);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 150; ++i) {
      int64_t offset;
      switch (random() % 4) {
        case 0: offset = static_cast<int64_t>(random() % static_cast<uint64_t>(size)); break;
        case 1: offset = boundaries[random() % boundaries.size()] - static_cast<int64_t>(random() % 5000); break;
        case 2: offset = size - static_cast<int64_t>(random() % 300000); break;
        default: offset = size + static_cast<int64_t>(random() % 10000); break;
      }
      offset = std::max<int64_t>(0, offset);
      size_t count = 1 + random() % (random() % 2 ? 5000 : 2500000);
      int64_t got = read_at(iso(), offset, &bytes, count);
      int64_t expected = std::max<int64_t>(0, std::min<int64_t>(static_cast<int64_t>(count), size - offset));
      ++reads;
      if (got != expected ||
          (got > 0 && bytes != pdi_test::image_range(image, static_cast<uint64_t>(offset), static_cast<size_t>(got))))
        ++wrong;
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 4; ++t) threads.emplace_back(reader, 1000 + t);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(reads.load(), 600);
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(m.unmount(), 0);
  EXPECT_EQ(m.err(), "");
}

TEST_F(MountedSet, MemberRemovedWhileMounted) {
  make(3, 1000001, {304 + 500 * 2048 + 100, 500 * 2048});  // member sizes
  ASSERT_EQ(members.size(), 3u);
  Mount m(members[0], mount_point);
  ASSERT_TRUE(m.mounted()) << m.err();
  const int64_t in_first = 300 * 2048, in_second = 700 * 2048, in_third = 1200 * 2048;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(read_at(iso(), in_first, &bytes, 8192), 8192);
  int held = open(iso().c_str(), O_RDONLY);  // open before the member goes
  ASSERT_GE(held, 0);
  ASSERT_EQ(unlink(members[1].c_str()), 0);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(read_at(iso(), in_second, &bytes, 8192), -EIO);
    EXPECT_EQ(read_at(iso(), in_first + 100000, &bytes, 8192), 8192);
    EXPECT_TRUE(bytes == pdi_test::image_range(image, in_first + 100000, 8192));
    EXPECT_EQ(read_at(iso(), in_third, &bytes, 8192), 8192);
    EXPECT_TRUE(bytes == pdi_test::image_range(image, in_third, 8192));
  }
  // The file that lay in the removed member, and one across its start.
  EXPECT_EQ(read_at(mount_point + "/VIDEO_TS/VTS_01_1.VOB", 1000000, &bytes, 4096), -EIO);
  // The descriptor opened before: once its check is due, the same error.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  char buffer[4096];
  errno = 0;
  EXPECT_EQ(pread(held, buffer, sizeof buffer, in_second + 200000), -1);
  EXPECT_EQ(errno, EIO);
  close(held);
  bool unmounted = false;
  EXPECT_EQ(m.unmount(&unmounted), 0);
  EXPECT_TRUE(unmounted);
  std::string err = m.err();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find(members[1]), std::string::npos) << err;
}

TEST_F(MountedSet, MemberCutShortWhileMounted) {
  make(3, 1000001, {304 + 500 * 2048 + 100});
  ASSERT_EQ(members.size(), 2u);
  Mount m(members[0], mount_point);
  ASSERT_TRUE(m.mounted()) << m.err();
  ASSERT_EQ(truncate(members[1].c_str(), 300 * 2048), 0);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(read_at(iso(), 1200 * 2048, &bytes, 8192), -EIO);
  EXPECT_EQ(read_at(iso(), 1200 * 2048, &bytes, 8192), -EIO);
  EXPECT_EQ(read_at(iso(), 200 * 2048, &bytes, 100000), 100000);
  EXPECT_TRUE(bytes == pdi_test::image_range(image, 200 * 2048, 100000));
  for (const char* small : {"VIDEO_TS.IFO", "VTS_01_0.BUP"}) {
    std::string path = mount_point + "/VIDEO_TS/" + small;
    EXPECT_EQ(read_at(path, 0, &bytes, 100000), 12288 * (small[0] == 'V' && small[1] == 'I' ? 1 : 2)) << small;
  }
  EXPECT_EQ(m.unmount(), 0);
  std::string err = m.err();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// A raw set: the header, then sectors whose bytes are a function of their
// position, with a directory written record by record at sector 69.
struct RawSet {
  std::vector<uint8_t> stream;
  explicit RawSet(uint32_t sectors) : stream(304 + size_t{sectors} * 2048) {
    for (size_t i = 304; i < stream.size(); ++i) stream[i] = static_cast<uint8_t>((i * 131 + (i >> 11) * 7) & 0xff);
    memset(&stream[304 + 69 * 2048], 0, 2048);
    at = 304 + 69 * 2048;
    add(std::string(1, '\0'), 69, 2048, 2);
  }
  void add(const std::string& name, uint32_t extent, uint32_t length, uint8_t flags = 0) {
    size_t size = 33 + name.size() + (name.size() % 2 == 0 ? 1 : 0);
    uint8_t* r = &stream[at];
    memset(r, 0, size);
    r[0] = static_cast<uint8_t>(size);
    for (int i = 0; i < 4; ++i) {
      r[2 + i] = r[9 - i] = static_cast<uint8_t>(extent >> (8 * i));
      r[10 + i] = r[17 - i] = static_cast<uint8_t>(length >> (8 * i));
    }
    const uint8_t date[7] = {103, 2, 7, 9, 5, 3, 0};
    memcpy(r + 18, date, 7);
    r[25] = flags;
    r[32] = static_cast<uint8_t>(name.size());
    memcpy(r + 33, name.data(), name.size());
    at += size;
  }
  std::vector<std::string> write(const std::string& name, const std::vector<size_t>& cuts) const {
    std::vector<std::string> names;
    size_t from = 0;
    for (size_t i = 0; i <= cuts.size(); ++i) {
      size_t to = i < cuts.size() ? cuts[i] : stream.size();
      std::string member = name + (i == 0 ? std::string() : (i < 10 ? "0" : "") + std::to_string(i));
      FILE* f = fopen(member.c_str(), "wb");
      fwrite(stream.data() + from, 1, to - from, f);
      fclose(f);
      names.push_back(member);
      from = to;
    }
    return names;
  }
  size_t at = 0;
};

TEST(Hostile, UnsafeNamesLeftOutAndBytesNeverWrong) {
  pdi_test::TempDir dir;
  std::string mnt = dir.path + "/mnt";
  ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  RawSet raw(700);
  raw.add("OK.DAT;1", 100, 3 * 2048 + 5);
  raw.add("../ESCAPE.TXT;1", 110, 100);
  raw.add("..;1", 111, 100);
  raw.add("A/B;1", 112, 100);
  raw.add(std::string("NUL\0X;1", 7), 113, 100);
  raw.add("DUP.DAT;1", 120, 10);
  raw.add("DUP.DAT;2", 130, 2049);
  raw.add("FAR.DAT;1", 0x7FFFFFF0u, 10000);
  raw.add("LONG.DAT;1", 600, 0xFFFFFFFFu);
  raw.add("EMPTY.DAT;1", 0xFFFFFFF0u, 0);
  std::vector<std::string> members = raw.write(dir.path + "/h.pdi", {304 + 300 * 2048 + 5});
  Mount m(members[0], mnt);
  ASSERT_TRUE(m.mounted()) << m.err();
  // No volume descriptor and no name for the folder: it takes the set's.
  EXPECT_EQ(names_in(mnt), (std::set<std::string>{"h.iso", "h"}));
  EXPECT_EQ(names_in(mnt + "/h"),
            (std::set<std::string>{"OK.DAT", "DUP.DAT", "FAR.DAT", "LONG.DAT", "EMPTY.DAT"}));
  std::vector<uint8_t> bytes;
  auto stream_range = [&raw](int64_t image_offset, size_t count) {
    return std::vector<uint8_t>(raw.stream.begin() + 304 + image_offset, raw.stream.begin() + 304 + image_offset + count);
  };
  EXPECT_EQ(read_at(mnt + "/h/OK.DAT", 0, &bytes, 10000), 3 * 2048 + 5);
  EXPECT_TRUE(bytes == stream_range(100 * 2048, 3 * 2048 + 5));
  EXPECT_EQ(read_at(mnt + "/h/DUP.DAT", 0, &bytes, 10000), 2049);  // the later record
  EXPECT_TRUE(bytes == stream_range(130 * 2048, 2049));
  EXPECT_EQ(read_at(mnt + "/h/FAR.DAT", 0, &bytes, 100), -EIO);
  EXPECT_EQ(read_at(mnt + "/h/EMPTY.DAT", 0, &bytes, 100), 0);
  struct stat st;
  ASSERT_EQ(stat((mnt + "/h/LONG.DAT").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0xFFFFFFFFll);
  EXPECT_EQ(read_at(mnt + "/h/LONG.DAT", 0, &bytes, 8192), 8192);
  EXPECT_TRUE(bytes == stream_range(600 * 2048, 8192));
  EXPECT_EQ(read_at(mnt + "/h/LONG.DAT", 200 * 2048, &bytes, 100), -EIO);  // past the set's end
  // The .iso is the image quarnex -i writes: it ends where the file that
  // starts last ends, sectors compared as quarnex's table sorts them
  // (signed 32-bit: EMPTY.DAT at 0xFFFFFFF0 sorts first), so FAR.DAT's end;
  // past the set, errors.
  ASSERT_EQ(stat((mnt + "/h.iso").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, (int64_t{0x7FFFFFF0} + (10000 + 2047) / 2048) * 2048);
  EXPECT_EQ(read_at(mnt + "/h.iso", 299 * 2048, &bytes, 4096), 4096);
  EXPECT_TRUE(bytes == stream_range(299 * 2048, 4096));
  EXPECT_EQ(read_at(mnt + "/h.iso", 700 * 2048 - 10, &bytes, 100), -EIO);
  EXPECT_EQ(m.unmount(), 0);
  std::string err = m.err();
  for (const char* shown : {"../ESCAPE.TXT;1", "..;1", "A/B;1", "NUL?X;1"})
    EXPECT_NE(err.find(std::string("Warning: file ") + shown + " has a name that cannot be written safely, left out"),
              std::string::npos)
        << shown << "\n" << err;
  EXPECT_NE(err.find("two files are named DUP.DAT"), std::string::npos) << err;
}

TEST(Hostile, RandomDirectoriesNeverCrashNorGiveWrongBytes) {
  std::mt19937 random(11);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    pdi_test::TempDir dir;
    std::string mnt = dir.path + "/mnt";
    ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
    RawSet raw(400);
    // Random records of every kind, then random bytes where records may end.
    for (int i = 0; i < 30; ++i) {
      std::string name(1 + random() % 14, 'A');
      for (char& c : name) c = static_cast<char>(random() % 3 ? 'A' + random() % 26 : random() % 256);
      raw.add(name, random() % 3 ? random() % 450 : random(), random() % 2 ? random() % 300000 : random(),
              random() % 4 ? 0 : static_cast<uint8_t>(random()));
    }
    for (size_t i = raw.at; i < raw.at + random() % 600; ++i) raw.stream[i] = static_cast<uint8_t>(random());
    std::vector<std::string> members = raw.write(dir.path + "/r.pdi", {304 + 100 * 2048 + random() % 2048});
    Mount m(members[0], mnt);
    ASSERT_TRUE(m.mounted()) << m.err();
    std::vector<std::string> files = {mnt + "/r.iso"};
    for (const std::string& n : names_in(mnt))
      if (n != "r.iso")
        for (const std::string& f : names_in(mnt + "/" + n)) files.push_back(mnt + "/" + n + "/" + f);
    for (const std::string& f : files) {
      struct stat st;
      ASSERT_EQ(stat(f.c_str(), &st), 0) << f;
      // Bytes that read are the set's; a file's image offset is unknown
      // here, so the .iso alone is compared and files only read.
      std::vector<uint8_t> bytes;
      int64_t got = read_at(f, 0, &bytes, 65536);
      EXPECT_TRUE(got == -EIO || got == std::min<int64_t>(65536, st.st_size)) << f << " " << got;
      if (f == mnt + "/r.iso" && got > 0) {
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), raw.stream.begin() + 304));
      }
    }
    EXPECT_EQ(m.unmount(), 0);
    EXPECT_EQ(m.err().find("Sanitizer"), std::string::npos) << m.err();
  }
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    image = pdi_test::write_dvd_set(dir.path + "/disc", 1, 5000, {}, &members, &error);
    ASSERT_FALSE(members.empty()) << error;
    mnt = dir.path + "/mnt";
    ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  }
  pdi_test::TempDir dir;
  pdi_maker::Image image;
  std::vector<std::string> members;
  std::string mnt;
};

TEST_F(CommandLine, ErrorsEndItBeforeMounting) {
  // A set of zeros has neither a directory at 69 nor a volume descriptor.
  FILE* zeros = fopen((dir.path + "/zeros.pdi").c_str(), "wb");
  std::vector<char> nothing(304 + 100 * 2048, 0);
  fwrite(nothing.data(), 1, nothing.size(), zeros);
  fclose(zeros);
  std::string full = dir.path + "/full", file = dir.path + "/file";
  ASSERT_EQ(mkdir(full.c_str(), 0755), 0);
  fclose(fopen((full + "/x").c_str(), "w"));
  fclose(fopen(file.c_str(), "w"));
  const std::string p = mount_test::program();
  struct Case {
    std::vector<std::string> words;
    std::string message;
  };
  const Case cases[] = {
      {{p, dir.path + "/absent", mnt}, "quarnex-mount: cannot open the image set: " + dir.path +
                                           "/absent.pdi: No such file or directory\n"},
      {{p, dir.path + "/zeros", mnt}, "quarnex-mount: no ISO 9660 directory found in " + dir.path + "/zeros.pdi\n"},
      {{p, members[0], full}, "quarnex-mount: mount point " + full + " is not an empty directory\n"},
      {{p, members[0], file}, "quarnex-mount: mount point " + file + " is not a directory\n"},
      {{p, members[0], dir.path + "/none"},
       "quarnex-mount: mount point " + dir.path + "/none: No such file or directory\n"},
      // A mount namespace of its own whose /dev has no fuse device.
      {{"unshare", "-m", "sh", "-c", "mount -t tmpfs none /dev && exec \"$0\" \"$@\"", p, members[0], mnt},
       "quarnex-mount: no FUSE device /dev/fuse: No such file or directory\n"},
      {{p, "-q", members[0], mnt}, "quarnex-mount: unknown option -q\n"},
  };
  for (const Case& c : cases) {
    mount_test::RunResult r = mount_test::run_to_end(c.words);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(r.err.substr(0, c.message.size()), c.message);
    EXPECT_FALSE(mount_test::is_mounted(mnt));
    EXPECT_FALSE(mount_test::is_mounted(full));
  }
}

TEST_F(CommandLine, HelpVersionAndTheBackground) {
  mount_test::RunResult help = mount_test::run_to_end({mount_test::program(), "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.compare(0, 52, "usage: quarnex-mount [options] SET[.pdi] MOUNTPOINT\n"), 0) << help.out;
  mount_test::RunResult version = mount_test::run_to_end({mount_test::program(), "--version"});
  EXPECT_EQ(version.status, 0);
  unsigned major = 0, minor = 0, patch = 0;
  EXPECT_EQ(sscanf(version.out.c_str(), "quarnex-mount %u.%u.%u\n", &major, &minor, &patch), 3) << version.out;
  // Without -f it returns once the folder is there; a relative set name works.
  std::string relative = members[0].substr(dir.path.size() + 1);
  std::string cwd(4096, '\0');
  ASSERT_TRUE(getcwd(&cwd[0], cwd.size()));
  ASSERT_EQ(chdir(dir.path.c_str()), 0);
  mount_test::RunResult background = mount_test::run_to_end({mount_test::program(), "-o", "allow_other", relative, "mnt"}, 20);
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  EXPECT_EQ(background.status, 0) << background.err;
  EXPECT_TRUE(mount_test::is_mounted(mnt));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(read_at(mnt + "/disc.iso", 0, &bytes, image.sector_count * 2048), static_cast<int64_t>(image.sector_count * 2048));
  EXPECT_TRUE(bytes == pdi_test::image_range(image, 0, image.sector_count * 2048));
  EXPECT_EQ(mount_test::run_to_end({"fusermount3", "-u", mnt}).status, 0);
  EXPECT_FALSE(mount_test::is_mounted(mnt));
}

}  // namespace
