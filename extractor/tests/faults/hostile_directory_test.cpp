// Hostile directories at image sector 69, laid out byte by byte: records of
// every length, names that run past their record, names that would leave the
// output folder, extents and lengths past the end of the set, overlapping
// runs, full directories, and many random ones. The program never crashes,
// never writes outside its output folder, and loses nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>

#include "iso_record.h"
#include "fault_support.h"
#include "run_program.h"
#include "set_model.h"
#include "pdiset/iso9660_fields.h"

namespace {

using pdiset::kDirectoryReadSize;
using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;
using pdi_maker::RecordWriter;
namespace iso = pdiset::iso9660;

// A cut of member 0 after sector s and extra bytes.
uint64_t cut_after(uint64_t sectors, uint64_t extra = 0) { return kSetHeaderSize + sectors * kSectorSize + extra; }

struct Section {
  uint32_t extent, length;
};

struct Taken {
  std::string name;
  uint32_t extent, length;     // its first section
  std::vector<Section> more = {};  // its further sections, in record order
  uint64_t total() const {
    uint64_t sum = length;
    for (const Section& s : more) sum += s.length;
    return sum;
  }
};

// A directory's own "." record: at least 34 bytes, its identifier one zero byte.
bool own_record(const uint8_t* d) {
  return d[iso::kRecordLength] >= 34 && d[iso::kIdentifierLength] == 1 && d[iso::kIdentifier] == 0;
}

// The files a careful reader takes: records whose name lies inside them; a
// record with flag 0x80 and the records after it with its name, up to the
// first without 0x80, are one file (a chain the directory's end or another
// name cuts off too); a file is taken when its last record's flags but
// 0x80 are 0 and its name's first byte is not 0. The walk ends at the first
// sector start holding 0, or with the directory's own extent.
std::vector<Taken> taken_records(const std::vector<uint8_t>& dir) {
  std::vector<uint8_t> d(dir);
  d.resize(kDirectoryReadSize + 2 * kSectorSize, 0);
  auto u32 = [&](size_t p) { return uint32_t(d[p]) | d[p + 1] << 8 | d[p + 2] << 16 | uint32_t(d[p + 3]) << 24; };
  size_t end = kDirectoryReadSize;
  if (own_record(d.data()) && u32(iso::kDataLength) >= 2048)
    end = std::min<size_t>(end, (uint64_t(u32(iso::kDataLength)) + 2047) / 2048 * 2048);
  struct Record {
    Taken file;
    unsigned flags;
  };
  std::vector<Record> records;
  size_t p = 0;
  while (p < end && d[p] != 0) {
    unsigned length = d[p + iso::kRecordLength], n = d[p + iso::kIdentifierLength];
    const uint8_t* name = &d[p + iso::kIdentifier];
    if (iso::kRecordFixedPart + n <= length)
      records.push_back({{std::string(reinterpret_cast<const char*>(name), n), u32(p + iso::kExtent),
                          u32(p + iso::kDataLength)},
                         d[p + iso::kFileFlags]});
    p += length;
    if (d[p] == 0) p = (p + 2047) / 2048 * 2048;
  }
  std::vector<Taken> out;
  for (size_t i = 0; i < records.size();) {
    Taken file = records[i].file;
    size_t last = i;
    while ((records[last].flags & 0x80) && last + 1 < records.size() && records[last + 1].file.name == file.name)
      file.more.push_back({records[last + 1].file.extent, records[last + 1].file.length}), ++last;
    if ((records[last].flags & 0x7F) == 0 && !file.name.empty() && file.name[0] != 0) out.push_back(file);
    i = last + 1;
  }
  return out;
}

// A conversion is one run from sector 0 to the end of the section that
// starts last (by signed sector, the later of equals); with no file taken,
// to the end of the set's sectors (these sets have no volume descriptor).
int64_t conversion_end(const std::vector<Taken>& taken, uint32_t set_sectors) {
  if (taken.empty()) return set_sectors;
  std::vector<Section> sections;
  for (const Taken& t : taken) {
    sections.push_back({t.extent, t.length});
    sections.insert(sections.end(), t.more.begin(), t.more.end());
  }
  std::stable_sort(sections.begin(), sections.end(), [](const Section& a, const Section& b) {
    return static_cast<int32_t>(a.extent) < static_cast<int32_t>(b.extent);
  });
  return static_cast<int32_t>(sections.back().extent) + extents_shown(sections.back().length);
}

std::string listing_of(const std::vector<Taken>& records) {
  std::string s = "[extent ] File Name    Size       Date       Time\n";
  for (const Taken& t : records) {
    char head[32], tail[64];
    snprintf(head, sizeof head, "[%7i] ", static_cast<int32_t>(t.extent));
    snprintf(tail, sizeof tail, " %10llu  7. 2.2003 09:05:03\n", static_cast<unsigned long long>(t.total()));
    s += head + (t.name.size() < 12 ? std::string(12 - t.name.size(), ' ') : "") + t.name + tail;
  }
  return s;
}

bool safe_name(const std::string& written) {
  return !written.empty() && written != "." && written != ".." && written.find('/') == std::string::npos &&
         written.find('\0') == std::string::npos;
}

struct Outcome {
  RunResult r;
  // What standard error starts with: the banner, and the warning that sector
  // 69 does not start with a directory's own record (these sets have no
  // volume descriptor to look further).
  std::string banner;
  std::vector<std::string> outside;
  bool sanitizer = false;
  LossReport loss;
};

class Hostile : public ::testing::Test {
 protected:
  // Writes the set (stream of sectors, the directory in place, cut at
  // cuts), runs the program with args in a folder of its own below a parent
  // folder, and checks what it wrote where.
  Outcome run(const std::vector<uint8_t>& directory, const std::vector<std::string>& args,
              uint32_t sectors = 700, const std::vector<uint64_t>& cuts = {}, uint32_t seed = 7) {
    Outcome o;
    const uint8_t* d = directory.data();
    o.banner = std::string(kBannerLines) + (own_record(d) ? "" : "Warning: no ISO 9660 directory found in set.pdi\n");
    raw = std::make_unique<RawSet>(sectors, seed);
    memcpy(raw->directory(), directory.data(), kDirectoryReadSize);
    std::string work = parent / "work";
    mkdir(work.c_str(), 0777);
    sizes = raw->write(work, "set.pdi", cuts);
    std::set<std::string> before = tree_below(parent.path);
    o.r = run_quarnex(work, args);
    std::set<std::string> after = tree_below(parent.path);
    o.outside = written_outside(before, after, {"work/out/", "work/set/", "work/out.iso"});
    o.sanitizer = o.r.err.find("Sanitizer") != std::string::npos || o.r.err.find("runtime error") != std::string::npos;
    // Nothing of a taken file with a safe name may be lost.
    std::vector<SelectedRun> runs;
    std::string folder = "out";
    if (std::find(args.begin(), args.end(), "-x") != args.end()) folder = "set/VIDEO_TS";
    std::vector<Taken> taken = taken_records(directory);
    auto iso = std::find(args.begin(), args.end(), "-i");
    if (iso != args.end()) {
      int64_t end = conversion_end(taken, sectors);
      bool in_out = std::find(args.begin(), args.end(), "-m") != args.end();
      runs.push_back({in_out ? "out/" + *(iso + 1) + ".iso" : *(iso + 1) + ".iso", 0,
                      static_cast<uint64_t>(std::max<int64_t>(0, std::min<int64_t>(end, INT32_MAX))) * kSectorSize});
    } else if (iso == args.end()) {
      // In the order the program writes them: by first sector, each file's
      // sections after its first.
      std::stable_sort(taken.begin(), taken.end(), [](const Taken& a, const Taken& b) {
        return static_cast<int32_t>(a.extent) < static_cast<int32_t>(b.extent);
      });
      for (const Taken& t : taken)
        if (safe_name(written_name(t.name))) {
          std::string output = folder + "/" + written_name(t.name);
          runs.push_back({output, static_cast<int32_t>(t.extent), t.length});
          uint64_t offset = t.length;
          for (const Section& s : t.more) {
            runs.push_back({output, static_cast<int32_t>(s.extent), s.length, offset});
            offset += s.length;
          }
        }
    }
    const RawSet& set = *raw;
    o.loss = check_nothing_lost(work, "set.pdi", sizes,
                                [&set](uint64_t pos, uint8_t* out, size_t count) {
                                  uint64_t size = set.stream.size();
                                  size_t have = pos < size ? std::min<uint64_t>(count, size - pos) : 0;
                                  if (have) memcpy(out, set.stream.data() + pos, have);
                                  memset(out + have, 0, count - have);
                                },
                                runs);
    return o;
  }
  // The records laid out as the directory, then "-r -m out set" over the
  // set cut at cuts.
  Outcome run_records(const std::vector<Taken>& records, const std::vector<uint64_t>& cuts) {
    RecordWriter w;
    for (const Taken& t : records) w.add(t.name, t.extent, t.length);
    Outcome o = run(w.bytes, {"-r", "-m", "out", "set"}, 700, cuts);
    expect_sound(o);
    return o;
  }
  std::string work(const std::string& name) { return parent / ("work/" + name); }
  // The output holds the bytes written of a file of data_length bytes.
  void expect_file(const std::string& path, int64_t first, uint64_t data_length) {
    std::string content;
    ASSERT_TRUE(read_whole_file(work(path), &content)) << path;
    EXPECT_TRUE(content == raw->bytes(first, data_length)) << path << ": " << content.size() << " bytes";
  }
  void expect_sound(const Outcome& o) {
    EXPECT_TRUE(o.r.status == 0 || o.r.status == 1) << o.r.err;
    EXPECT_FALSE(o.sanitizer) << o.r.err;
    EXPECT_TRUE(o.outside.empty()) << o.outside.front();
    EXPECT_EQ(o.loss.changed_members, 0) << o.loss.detail;
  }
  void record(const std::string& fault, const Outcome& o, int runs = 1) {
    std::string said = message_of(o.r.err_after_echo);
    if (o.r.status == 0) said = said.empty() ? "no message; status 0" : said + "; status 0";
    record_result("Hostile directory", fault, runs, said, o.loss.lost,
                  o.r.status < 0 || o.sanitizer, static_cast<int>(o.outside.size()));
  }

  ScratchDir parent;
  std::unique_ptr<RawSet> raw;
  std::vector<uint64_t> sizes;
};

TEST_F(Hostile, RecordsOfEveryLength) {
  // 1..255 does not fit in ten sectors: three directories.
  const std::pair<unsigned, unsigned> ranges[] = {{1, 150}, {151, 210}, {211, 255}};
  for (auto range : ranges) {
    ScratchDir fresh;
    std::swap(parent.path, fresh.path);
    RecordWriter w;
    std::vector<Taken> expected;
    for (unsigned length = range.first; length <= range.second; ++length) {
      if (length < 34) {
        // Too short to hold a name: the bytes where its fields would be
        // belong to the records after it.
        w.bytes[w.at] = static_cast<uint8_t>(length);
        for (unsigned i = 1; i < length; ++i) w.bytes[w.at + i] = 'A';
        w.at += length;
        continue;
      }
      std::string name(length - 33, static_cast<char>('A' + length % 26));
      uint32_t extent = 100 + 4 * length, size = 2048 * (1 + length % 3) + length % 7;
      ASSERT_TRUE(w.add(name, extent, size, length));
      expected.push_back({name, extent, size});
    }
    Outcome o = run(w.bytes, {"-l", "set"}, 1130);
    expect_sound(o);
    EXPECT_EQ(o.r.status, 0);
    EXPECT_EQ(o.r.out, listing_of(expected));

    o = run(w.bytes, {"-r", "-m", "out", "set"}, 1130);
    expect_sound(o);
    EXPECT_EQ(o.r.status, 0) << o.r.err;
    std::string progress;
    for (const Taken& t : expected) {
      progress += "writing out/" + t.name + " (" + std::to_string(extents_shown(t.length)) + " extents) \n";
      expect_file("out/" + t.name, t.extent, t.length);
    }
    EXPECT_EQ(o.r.err_after_echo, o.banner + progress);
    EXPECT_EQ(o.loss.lost, 0) << o.loss.detail;
    record("records of lengths " + std::to_string(range.first) + " to " + std::to_string(range.second) +
               " (listing, then -r -m)", o, 2);
    std::swap(parent.path, fresh.path);
  }
}

TEST_F(Hostile, IdentifierLengthsPastTheRecord) {
  RecordWriter w;
  w.add("GOOD1.DAT;1", 200, 4096);
  w.add("PASTREC", 210, 4096, 40, 0, 200);  // name of 200 bytes in a record of 40
  w.add("GOOD2.DAT;1", 220, 4096);
  w.add("X", 230, 4096, 34, 0, 255);        // the longest name length, in the shortest record
  w.add("GOOD3.DAT;1", 240, 4096);
  // Sectors 1 to 8 start with a record of a subdirectory, so the walk goes
  // on to the last sector, whose last record's name would run past the
  // 20480 bytes read.
  for (int s = 1; s <= 9; ++s) {
    w.next_sector();
    w.add("SUB", 0, 2048, 255, 2);
  }
  while (w.at < kDirectoryReadSize - 40 - 251) w.add("SUB", 0, 2048, 251, 2);
  w.add("FILLER", 0, 2048, static_cast<unsigned>(kDirectoryReadSize - 40 - w.at), 2);
  ASSERT_EQ(w.at, kDirectoryReadSize - 40u);
  ASSERT_TRUE(w.add("PASTEND", 250, 4096, 40, 0, 255));
  std::vector<Taken> expected = {{"GOOD1.DAT;1", 200, 4096}, {"GOOD2.DAT;1", 220, 4096}, {"GOOD3.DAT;1", 240, 4096}};
  ASSERT_EQ(taken_records(w.bytes).size(), expected.size());
  Outcome o = run(w.bytes, {"-r", "-m", "out", "set"});
  expect_sound(o);
  EXPECT_EQ(o.r.status, 0) << o.r.err;
  EXPECT_EQ(o.r.out, listing_of(expected));
  for (const Taken& t : expected) expect_file("out/" + written_name(t.name), t.extent, t.length);
  EXPECT_EQ(o.loss.lost, 0) << o.loss.detail;
  record("identifier lengths past the record and past the 20480 bytes read", o);
}

TEST_F(Hostile, NamesThatWouldLeaveTheOutputFolder) {
  struct Name {
    std::string id;
    bool safe;
  };
  const std::string long_name(222, 'L');
  const Name names[] = {
      {"../ESCAPE.TXT;1", false}, {"/ABS.TXT;1", false},         {"..;1", false},
      {".", false},               {"...;1", false},              {std::string("NUL\0X;1", 7), false},
      {"A\\B;1", true},           {"..\\UP;1", true},            {"CTRL\x01\x1f;1", true},
      {"NL\nX;1", true},          {long_name, true},             {"OK.TXT;1", true},
      {"SPACE NAME ;1", true},    {"DOTS..;1", true},
  };
  RecordWriter w;
  std::string warnings, progress;
  int unsafe = 0;
  uint32_t extent = 200;
  for (const Name& n : names) {
    const uint32_t length = 2 * 2048 + 100;
    ASSERT_TRUE(w.add(n.id, extent, length, n.id.size() == 222 ? 255 : 0));
    std::string written = written_name(n.id);
    if (n.safe) {
      progress += "writing out/" + written + " (" + std::to_string(extents_shown(length)) + " extents) \n";
    } else {
      std::string shown = n.id;
      for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32) c = '?';
      warnings += "Warning: file " + shown + " has a name that cannot be written safely, skipped\n";
      ++unsafe;
    }
    extent += 4;
  }
  Outcome o = run(w.bytes, {"-r", "-m", "out", "set"}, 700, {cut_after(300, 5)});
  expect_sound(o);
  EXPECT_EQ(o.r.status, 1);
  EXPECT_EQ(o.r.err_after_echo, o.banner + warnings + "cowardly clearing delete source flag\n" + progress +
                                    std::to_string(unsafe) + " files not written because of unsafe names." + kPrompt);
  EXPECT_TRUE(exists(work("set.pdi")) && exists(work("set.pdi01")));
  extent = 200;
  std::set<std::string> written_files;
  for (const Name& n : names) {
    if (n.safe) {
      expect_file("out/" + written_name(n.id), extent, 2 * 2048 + 100);
      written_files.insert("work/out/" + written_name(n.id));
    }
    extent += 4;
  }
  std::set<std::string> in_out;
  for (const std::string& p : tree_below(parent.path))
    if (p.compare(0, 9, "work/out/") == 0 && p != "work/out/") in_out.insert(p);
  EXPECT_EQ(in_out, written_files);
  EXPECT_EQ(o.loss.lost, 0) << o.loss.detail;
  record("names with /, \\, .., control characters, a zero byte, 222 bytes (-r -m)", o);
}

TEST_F(Hostile, ExtentsAndLengthsPastTheEndOfTheSet) {
  struct Case {
    const char* fault;
    std::vector<Taken> records;
    std::vector<uint64_t> cuts;
    std::string said;                  // the last line before the prompt
    std::vector<std::string> complete; // outputs that must be whole
  };
  const Case cases[] = {
      {"extent far past the end of the set, -r",
       {{"OK.DAT;1", 100, 3 * 2048}, {"FAR.DAT;1", 0x7FFFFFF0u, 0xFFFFFFFFu}}, {},
       "writing out/FAR.DAT (2097152 extents) set.pdi01: No such file or directory", {"OK.DAT"}},
      {"extent that reads as a negative sector, -r",
       {{"OK.DAT;1", 100, 3 * 2048}, {"NEG.DAT;1", 0xFFFFFFF0u, 10 * 2048}}, {cut_after(300, 9)},
       "writing out/NEG.DAT (10 extents) during skip of .pdi-data: Invalid argument", {}},
      {"length far past the end of the set, no other file inside it, -r",
       {{"A.DAT;1", 100, 3 * 2048}, {"LONG.DAT;1", 105, 0xFFFFFFFFu}}, {cut_after(200)},
       "writing out/LONG.DAT (2097152 extents) (set.pdi01)set.pdi02: No such file or directory", {"A.DAT"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    ScratchDir fresh;
    std::swap(parent.path, fresh.path);
    Outcome o = run_records(c.records, c.cuts);
    EXPECT_EQ(o.r.status, 1);
    EXPECT_NE(o.r.err_after_echo.find(c.said + "\n" + kPrompt), std::string::npos) << o.r.err_after_echo;
    for (const std::string& name : c.complete)
      for (const Taken& t : c.records)
        if (written_name(t.name) == name) expect_file("out/" + name, t.extent, t.length);
    EXPECT_EQ(o.loss.lost, 0) << o.loss.detail;
    record(c.fault, o);
    std::swap(parent.path, fresh.path);
  }
}

// Runs that share sectors, or files that would be written to one output:
// with -r, a member must not be deleted while a later file still needs it.
TEST_F(Hostile, RunsThatShareSectorsOrOutputs) {
  struct Case {
    const char* fault;
    std::vector<Taken> records;
    std::vector<uint64_t> cuts;
    int status;
  };
  const Case cases[] = {
      {"a file inside another file's run, the run crossing a member end, -r",
       {{"A.DAT;1", 100, 60 * 2048}, {"B.DAT;1", 120, 10 * 2048}}, {cut_after(150)}, 1},
      {"a file inside a run that reaches past the end of the set, -r",
       {{"A.DAT;1", 100, 3 * 2048}, {"LONG.DAT;1", 105, 0xFFFFFFFFu}, {"B.DAT;1", 300, 5 * 2048}},
       {cut_after(200)}, 1},
      {"two versions of one file (one output name) in different members, -r",
       {{"DUP.DAT;1", 100, 5 * 2048}, {"DUP.DAT;2", 300, 5 * 2048}}, {cut_after(200)}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    ScratchDir fresh;
    std::swap(parent.path, fresh.path);
    Outcome o = run_records(c.records, c.cuts);
    EXPECT_EQ(o.r.status, c.status) << o.r.err;
    // Every byte of every file is in its output or still in a member.
    EXPECT_EQ(o.loss.lost, 0) << o.loss.detail << "\n" << o.r.err;
    record(c.fault, o);
    std::swap(parent.path, fresh.path);
  }
}

// Three-character names, 55 records of 36 bytes and one of 68 per sector:
// all ten sectors hold records to their last byte.
std::vector<uint8_t> full_directory(bool own_record, std::vector<Taken>* expected) {
  RecordWriter w;
  const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  int index = 0;
  for (int sector = 0; sector < 10; ++sector) {
    int records = 56;
    if (sector == 0 && own_record) {
      w.add(std::string(1, '\0'), 69, 2048, 34, 2);
      records = 55;  // 34 + 54 * 36 + 70
    }
    for (int i = 0; i < records; ++i, ++index) {
      std::string name = {digits[index / 36 / 36 % 36], digits[index / 36 % 36], digits[index % 36]};
      bool last = i == records - 1;
      unsigned length = last ? static_cast<unsigned>(2048 - w.at % 2048) : 36;
      if (last) name += std::string(length - 36, 'Z');
      w.add(name, 100 + index, 2048, length);
      if (!own_record || sector == 0) expected->push_back({name, static_cast<uint32_t>(100 + index), 2048});
    }
  }
  return w.bytes;
}

TEST_F(Hostile, DirectoryWhoseTenSectorsAreAllRecords) {
  std::vector<Taken> expected;
  std::vector<uint8_t> d = full_directory(false, &expected);
  ASSERT_EQ(expected.size(), 560u);
  Outcome o = run(d, {"-r", "-m", "out", "set"});
  expect_sound(o);
  EXPECT_EQ(o.r.status, 0) << o.r.err;
  EXPECT_EQ(o.r.out, listing_of(expected));
  std::string progress;
  for (const Taken& t : expected) {
    progress += "writing out/" + t.name + " (1 extents) \n";
    expect_file("out/" + t.name, t.extent, t.length);
  }
  EXPECT_EQ(o.r.err_after_echo, o.banner + progress);
  EXPECT_FALSE(exists(work("set.pdi")));
  EXPECT_EQ(o.loss.lost, 0) << o.loss.detail;
  record("ten sectors full of records, 560 files (-r -m)", o);

  // The same behind the directory's own record, which says it is one sector
  // long: the walk ends with that sector.
  ScratchDir fresh;
  std::swap(parent.path, fresh.path);
  expected.clear();
  d = full_directory(true, &expected);
  ASSERT_EQ(expected.size(), 55u);
  o = run(d, {"-l", "set"});
  expect_sound(o);
  EXPECT_EQ(o.r.status, 0);
  EXPECT_EQ(o.r.out, listing_of(expected));
  record("ten sectors full of records behind an own record of one sector (-l)", o);
  std::swap(parent.path, fresh.path);
}

TEST_F(Hostile, MostRecordsTenSectorsCanHold) {
  // 602 records of 34 bytes, across sector ends, every one taken.
  RecordWriter w;
  std::vector<Taken> expected;
  for (int i = 0; i < 602; ++i) {
    std::string name(1, static_cast<char>('A' + i % 26));
    ASSERT_TRUE(w.add(name, 100 + i % 500, 2048, 34));
    expected.push_back({name, static_cast<uint32_t>(100 + i % 500), 2048});
  }
  Outcome o = run(w.bytes, {"-l", "set"});
  expect_sound(o);
  EXPECT_EQ(o.r.status, 0);
  EXPECT_EQ(o.r.out, listing_of(expected));
  record("602 taken records, the most 20480 bytes can hold (-l)", o);

  // 6826 records of 3 bytes: each one's flags, name length and name bytes
  // lie in the records after it. None is taken; 6826 is the most records of
  // any kind that ten sectors hold, so 10 000 taken records cannot occur.
  ScratchDir fresh;
  std::swap(parent.path, fresh.path);
  std::vector<uint8_t> d(kDirectoryReadSize, 0);
  for (size_t p = 0; p + 3 <= d.size(); p += 3) {
    d[p] = 3;
    d[p + 1] = 0;
    d[p + 2] = 200;
  }
  o = run(d, {"-l", "set"});
  expect_sound(o);
  EXPECT_EQ(o.r.status, 0);
  EXPECT_EQ(o.r.out, listing_of({}));
  o = run(d, {"-r", "-m", "out", "set"});
  expect_sound(o);
  EXPECT_EQ(o.r.status, 1);
  EXPECT_EQ(o.r.err_after_echo, o.banner + "no files found in set.pdi, exiting.\n" + kPrompt);
  EXPECT_TRUE(exists(work("set.pdi")));
  record("6826 records of 3 bytes (listing, then -r -m)", o, 2);
  std::swap(parent.path, fresh.path);
}

// Random directories: records of random lengths, flags, name lengths and
// names from an alphabet of separators, dots and control characters,
// extents and lengths anywhere, cut into random members, in every mode.
TEST_F(Hostile, RandomDirectories) {
  const int rounds = 300;
  std::mt19937 rng(61);
  const std::string alphabet = std::string("AB./\\;1.:*?\x01\n\x7f ", 16) + std::string(1, '\0');
  const std::vector<std::vector<std::string>> modes = {
      {"-l", "set"}, {"-m", "out", "set"}, {"-r", "-m", "out", "set"}, {"-x", "set"}, {"-i", "out", "set"},
      {"-r", "-i", "out", "-m", "out", "set"}};
  int crashes = 0, outside = 0, statuses[2] = {0, 0};
  int64_t lost = 0;
  for (int round = 0; round < rounds; ++round) {
    ScratchDir fresh;
    std::swap(parent.path, fresh.path);
    RecordWriter w;
    int records = static_cast<int>(rng() % 40);
    for (int i = 0; i < records; ++i) {
      if (rng() % 8 == 0) w.next_sector();
      std::string name;
      int n = 1 + static_cast<int>(rng() % 12);
      for (int k = 0; k < n; ++k) name += alphabet[rng() % alphabet.size()];
      unsigned length = rng() % 6 == 0 ? 1 + rng() % 255 : 0;
      int name_length = rng() % 10 == 0 ? static_cast<int>(rng() % 256) : -1;
      unsigned flags = rng() % 5 == 0 ? rng() % 256 : 0;
      uint32_t extent = rng() % 10 == 0 ? static_cast<uint32_t>(rng()) : 80 + rng() % 600;
      uint32_t size = rng() % 10 == 0 ? static_cast<uint32_t>(rng()) : rng() % (40 * 2048);
      if (!w.add(name, extent, size, length, flags, name_length)) break;
    }
    if (rng() % 4 == 0) w.bytes[rng() % w.bytes.size()] = static_cast<uint8_t>(rng());
    std::vector<uint64_t> cuts;
    uint64_t at = 0;
    for (int m = static_cast<int>(rng() % 4); m > 0; --m) {
      uint64_t cut = (at == 0 ? pdiset::kDirectoryOffset + kDirectoryReadSize : kSectorSize) + rng() % (400 * 2048);
      if (at + cut + 1 >= cut_after(700)) break;
      cuts.push_back(cut);
      at += cut;
    }
    const std::vector<std::string>& args = modes[rng() % modes.size()];
    Outcome o = run(w.bytes, args, 700, cuts, static_cast<uint32_t>(rng()));
    SCOPED_TRACE("round " + std::to_string(round));
    expect_sound(o);
    // Conversion copies one run from sector 0: check it too.
    if (args[1] == "-i" && o.r.status == 0) {
      int64_t end = conversion_end(taken_records(w.bytes), 700);
      std::string iso;
      ASSERT_TRUE(read_whole_file(work(args.size() > 4 ? "out/out.iso" : "out.iso"), &iso));
      EXPECT_TRUE(iso == raw->bytes(0, static_cast<uint64_t>(std::max<int64_t>(end, 0)) * kSectorSize)) << iso.size();
    }
    if (o.r.status == 0 || o.r.status == 1) ++statuses[o.r.status];
    crashes += o.r.status < 0 || o.sanitizer;
    outside += static_cast<int>(o.outside.size());
    lost += o.loss.lost;
    EXPECT_EQ(o.loss.lost, 0) << o.loss.detail << "\n" << o.r.err;
    std::swap(parent.path, fresh.path);
    if (HasFailure()) break;
  }
  record_result("Hostile directory",
                "random directories in every mode (-l, -m, -r -m, -x, -i, -r -i), random member cuts", rounds,
                "status 0 in " + std::to_string(statuses[0]) + " runs, status 1 in " + std::to_string(statuses[1]),
                lost, crashes, outside);
}

}  // namespace
