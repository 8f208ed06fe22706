// Writing: plain images read by third-party ISO tools, .pdi sets, the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "pdi_maker.h"
#include "pdi_test_util.h"

using namespace pdi_maker;
using namespace pdi_test;

namespace {

const uint32_t kWriteSector = kSectorSize;

ImagePlan tool_plan() {
  ImagePlan plan;
  plan.files = dvd_files(2, 70001);
  plan.files.push_back({"HIDDEN.DAT;1", 3333, 1});
  plan.directory_sectors = 2;
  plan.seed = 4242;
  return plan;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

std::string shell_quoted(const std::string& s) { return "'" + s + "'"; }

// The members of a set read back and joined.
std::vector<uint8_t> joined(const std::vector<std::string>& names) {
  std::vector<uint8_t> all;
  for (const std::string& n : names) {
    std::vector<uint8_t> part = read_file(n);
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

std::vector<uint8_t> expected_stream(const Image& image) {
  std::vector<uint8_t> s(kSetHeaderSize);
  stream_header(s.data());
  std::vector<uint8_t> body = image_range(image, 0, size_t(image.sector_count) * kWriteSector);
  s.insert(s.end(), body.begin(), body.end());
  return s;
}

}  // namespace

TEST(PdiWrite, PlainImageIsReadByBsdtar) {
  ASSERT_TRUE(have_program("bsdtar")) << "install libarchive-tools";
  ImagePlan plan = tool_plan();
  Image image = build_image(plan);
  TempDir tmp;
  ASSERT_FALSE(tmp.path.empty());
  std::string iso = tmp.path + "/image.iso";
  std::string error;
  ASSERT_TRUE(write_iso(image, iso, &error)) << error;
  EXPECT_EQ(std::filesystem::file_size(iso), image.sector_count * kWriteSector);

  int status = 0;
  std::vector<std::string> listed = lines_of(run("bsdtar -tf " + shell_quoted(iso), &status));
  ASSERT_EQ(status, 0);
  // bsdtar may show directories with or without a trailing slash.
  EXPECT_TRUE(contains(listed, "VIDEO_TS") || contains(listed, "VIDEO_TS/"));
  EXPECT_TRUE(contains(listed, "VIDEO_TS/SUBDIR") || contains(listed, "VIDEO_TS/SUBDIR/"));
  EXPECT_TRUE(contains(listed, "VIDEO_TS/SUBDIR/INNER.DAT"));
  for (const FilePlan& f : plan.files) {
    EXPECT_TRUE(contains(listed, "VIDEO_TS/" + without_version(f.identifier))) << f.identifier;
  }

  std::string out = tmp.path + "/out";
  std::filesystem::create_directory(out);
  run("bsdtar -xf " + shell_quoted(iso) + " -C " + shell_quoted(out), &status);
  ASSERT_EQ(status, 0);
  for (const PlacedFile& f : image.files) {
    if (f.flags & 2) continue;
    std::vector<uint8_t> got = read_file(out + "/VIDEO_TS/" + without_version(f.identifier));
    EXPECT_EQ(got, image_range(image, uint64_t(f.first_sector) * kWriteSector, size_t(f.size)))
        << f.identifier;
  }
  std::vector<uint8_t> inner = read_file(out + "/VIDEO_TS/SUBDIR/INNER.DAT");
  ASSERT_FALSE(inner.empty());
  Directory sub = read_directory(image, kDirectorySector + 2, 1);
  ASSERT_EQ(sub.records.size(), 3u);
  uint64_t at = uint64_t(sub.records[2].extent) * kWriteSector;
  for (size_t i = 0; i < inner.size(); ++i) EXPECT_EQ(inner[i], content_byte(plan.seed, at + i));
}

TEST(PdiWrite, PlainImageIsReadByXorriso) {
  ASSERT_TRUE(have_program("xorriso")) << "install xorriso";
  ImagePlan plan = tool_plan();
  Image image = build_image(plan);
  TempDir tmp;
  std::string iso = tmp.path + "/image.iso";
  std::string error;
  ASSERT_TRUE(write_iso(image, iso, &error)) << error;
  int status = 0;
  std::string out = run("xorriso -abort_on FAILURE -indev " + shell_quoted(iso) + " -find / 2>/dev/null", &status);
  ASSERT_EQ(status, 0);
  std::vector<std::string> listed = lines_of(out);
  EXPECT_TRUE(contains(listed, "'/VIDEO_TS/SUBDIR/INNER.DAT'"));
  for (const FilePlan& f : plan.files) {
    EXPECT_TRUE(contains(listed, "'/VIDEO_TS/" + without_version(f.identifier) + "'")) << f.identifier;
  }
}

TEST(PdiWrite, SetMembersJoinToHeaderAndImage) {
  Image image = build_image(tool_plan());
  std::vector<uint8_t> want = expected_stream(image);
  uint64_t total = stream_size(image);
  ASSERT_EQ(total, want.size());

  const std::vector<std::vector<uint64_t>> cut_lists = {
      {},                                              // one member
      {100000, 77777},                                 // cuts inside sectors
      {kSetHeaderSize + 10 * kWriteSector, 5 * kWriteSector},       // cuts on sector boundaries
      {kSetHeaderSize},                                   // the header alone
      {100, 1, 1, 2047, 1, 2049, 1, 50000, 1},         // tiny members, more than six
      {total - 1},                                     // a 1-byte last member
      {total},                                         // exact: no extra member
  };
  for (const std::vector<uint64_t>& cuts : cut_lists) {
    TempDir tmp;
    std::string error;
    std::vector<std::string> names = write_set(image, tmp.path + "/SET", cuts, &error);
    ASSERT_FALSE(names.empty()) << error;
    uint64_t sum = 0;
    for (uint64_t c : cuts) sum += c;
    size_t members = cuts.size() + (sum < total ? 1 : 0);
    ASSERT_EQ(names.size(), members);
    for (size_t i = 0; i < names.size(); ++i) {
      std::string suffix = i == 0 ? ".pdi" : (i < 10 ? ".pdi0" : ".pdi") + std::to_string(i);
      EXPECT_EQ(names[i], tmp.path + "/SET" + suffix);
      uint64_t size = i < cuts.size() ? cuts[i] : total - sum;
      EXPECT_EQ(std::filesystem::file_size(names[i]), size) << names[i];
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path), {}), long(members));
    EXPECT_TRUE(joined(names) == want) << "cuts: " << cuts.size();
  }
}

TEST(PdiWrite, HeaderIsRecognisable) {
  uint8_t header[kSetHeaderSize];
  stream_header(header);
  EXPECT_EQ(memcmp(header, "PDI-SET", 7), 0);
  EXPECT_TRUE(std::none_of(header, header + kSetHeaderSize, [](uint8_t b) { return b == 0; }));
}

TEST(PdiWrite, HundredAndMoreMembers) {
  ImagePlan plan;
  plan.with_subdirectory = false;
  Image image = build_image(plan);
  std::vector<uint64_t> cuts(105, 3);
  TempDir tmp;
  std::string error;
  std::vector<std::string> names = write_set(image, tmp.path + "/MANY", cuts, &error);
  ASSERT_EQ(names.size(), 106u) << error;
  EXPECT_EQ(names[99], tmp.path + "/MANY.pdi99");
  EXPECT_EQ(names[100], tmp.path + "/MANY.pdi100");
  EXPECT_EQ(names[105], tmp.path + "/MANY.pdi105");
  EXPECT_TRUE(joined(names) == expected_stream(image));
}

TEST(PdiWrite, RefusesBadCutsAndUnwritablePlaces) {
  Image image = build_image(tool_plan());
  TempDir tmp;
  std::string error;
  uint64_t total = stream_size(image);
  EXPECT_TRUE(write_set(image, tmp.path + "/BIG", {total - 5, 6}, &error).empty());
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path));

  error.clear();
  EXPECT_TRUE(write_set(image, tmp.path + "/missing/SET", {1000}, &error).empty());
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(write_iso(image, tmp.path + "/missing/x.iso", &error));
  EXPECT_FALSE(error.empty());
}

TEST(PdiWrite, FullDiskIsReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  Image image = build_image(tool_plan());
  std::string error;
  EXPECT_FALSE(write_iso(image, "/dev/full", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));  // never removed
}

TEST(PdiWrite, FailedSetLeavesNoMembers) {
  Image image = build_image(tool_plan());
  TempDir tmp;
  // A folder where the second member should go makes that member fail.
  std::filesystem::create_directory(tmp.path + "/SET.pdi01");
  std::string error;
  EXPECT_TRUE(write_set(image, tmp.path + "/SET", {1000, 1000}, &error).empty());
  EXPECT_NE(error.find("SET.pdi01"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(tmp.path + "/SET.pdi"));
  EXPECT_TRUE(std::filesystem::is_directory(tmp.path + "/SET.pdi01"));
  EXPECT_FALSE(std::filesystem::exists(tmp.path + "/SET.pdi02"));
}

TEST(PdiWrite, ProgramMakesTheExample) {
  TempDir tmp;
  std::string iso = tmp.path + "/example.iso";
  int status = 0;
  std::string out = run(std::string(MAKE_PDI_SET_PATH) + " --iso " + shell_quoted(iso) + " " +
                            shell_quoted(tmp.path + "/EXAMPLE"), &status);
  ASSERT_EQ(status, 0);
  std::vector<std::string> lines = lines_of(out);
  ASSERT_EQ(lines.size(), 3u);
  std::vector<std::string> names;
  const char* suffixes[] = {".pdi", ".pdi01", ".pdi02"};
  uint64_t sum = 0;
  for (int i = 0; i < 3; ++i) {
    std::string name = tmp.path + "/EXAMPLE" + suffixes[i];
    uint64_t size = std::filesystem::file_size(name);
    EXPECT_EQ(lines[size_t(i)], "wrote " + name + " " + std::to_string(size));
    names.push_back(name);
    sum += size;
  }
  EXPECT_EQ(std::filesystem::file_size(names[0]), 4000000u);
  EXPECT_EQ(std::filesystem::file_size(names[1]), 3500000u);
  // Both cuts fall inside image sectors.
  EXPECT_NE((4000000 - kSetHeaderSize) % kWriteSector, 0u);
  EXPECT_NE((7500000 - kSetHeaderSize) % kWriteSector, 0u);

  // The members hold the header and then exactly the plain image.
  std::vector<uint8_t> all = joined(names);
  std::vector<uint8_t> plain = read_file(iso);
  ASSERT_EQ(all.size(), kSetHeaderSize + plain.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), all.begin() + kSetHeaderSize));

  // The directory at 69 lists the DVD files and a hidden file.
  std::vector<uint8_t> dir(plain.begin() + 69 * kWriteSector, plain.begin() + 70 * kWriteSector);
  std::string text(dir.begin(), dir.end());
  for (const char* id : {"VIDEO_TS.IFO;1", "VTS_01_3.VOB;1", "HIDDEN.DAT;1", "SUBDIR"}) {
    EXPECT_NE(text.find(id), std::string::npos) << id;
  }
  size_t hidden = text.find("HIDDEN.DAT;1");
  ASSERT_NE(hidden, std::string::npos);
  EXPECT_EQ(dir[hidden - 33 + 25], 1);  // the record's flags
}

TEST(PdiWrite, ProgramRejectsBadArguments) {
  TempDir tmp;
  std::string prog = MAKE_PDI_SET_PATH;
  std::string set = shell_quoted(tmp.path + "/S");
  for (const std::string& args : {std::string(""), "--cut x " + set, "--cut " + set,
                                  "--dir-sectors 0 " + set, "--dir-sectors 1001 " + set, "--dir-sector 20 " + set,
                                  "--bogus " + set, set + " extra", "--cut 999999999999 " + set}) {
    int status = 0;
    std::string out = run(prog + " " + args + " 2>" + shell_quoted(tmp.path + "/err"), &status);
    EXPECT_EQ(status, 1) << args;
    EXPECT_TRUE(out.empty()) << args;
    EXPECT_FALSE(read_file(tmp.path + "/err").empty()) << args;
  }
  EXPECT_FALSE(std::filesystem::exists(tmp.path + "/S.pdi"));
}

TEST(PdiWrite, ProgramOptionsShapeTheSet) {
  TempDir tmp;
  int status = 0;
  std::string out = run(std::string(MAKE_PDI_SET_PATH) +
                            " --vobs 2 --vob-size 10000 --dir-sectors 12 --dir-sector 300 --seed 9 --cut 5000 " +
                            shell_quoted(tmp.path + "/OWN"), &status);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(lines_of(out).size(), 2u);

  ImagePlan plan;
  plan.files = dvd_files(2, 10000);  // no hidden file without --hidden
  plan.directory_sectors = 12;
  plan.directory_sector = 300;
  plan.seed = 9;
  Image image = build_image(plan);
  EXPECT_TRUE(joined({tmp.path + "/OWN.pdi", tmp.path + "/OWN.pdi01"}) == expected_stream(image));
}
