// Runs that once lost or endangered data, or wrote where they should not:
// names from the image that leave the output folder, names too long for
// their buffers, outputs that are members of the set, and deletion before
// the data is on stable storage.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <set>

#include "run_program.h"
#include "set_model.h"

namespace {

const char kSafetyPrompt[] = "\n\aHit <RETURN> to continue\n";

pdi_maker::FilePlan file(const std::string& identifier, uint64_t size) {
  pdi_maker::FilePlan f;
  f.identifier = identifier;
  f.size = size;
  return f;
}

// Every regular file below folder, as paths relative to it.
std::set<std::string> files_below(const std::string& folder) {
  std::set<std::string> found;
  std::string listing;
  FILE* p = popen(("cd '" + folder + "' && find . -type f ! -name '.std*' | sort").c_str(), "r");
  char line[4096];
  while (p && fgets(line, sizeof line, p)) {
    std::string s(line);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    found.insert(s.substr(2));
  }
  if (p) pclose(p);
  return found;
}

using DataSafety = ProgramTest;

TEST_F(DataSafety, NamesThatWouldLeaveTheOutputFolderAreNeverWritten) {
  pdi_maker::ImagePlan plan;
  std::vector<std::string> unsafe = {"../ESCAPE.DAT;1", "A/B.DAT;1", "..;1", ";1", ".;1"};
  if (testing_windows_build()) {
    unsafe.push_back("A\\B.DAT;1");
    unsafe.push_back("C:X.DAT;1");
  }
  plan.files.push_back(file("GOOD.DAT;1", 10000));
  for (const std::string& name : unsafe) plan.files.push_back(file(name, 5000));
  plan.files.push_back(file("LAST.DAT;1", 7000));
  ASSERT_EQ(mkdir((dir / "sub").c_str(), 0777), 0);
  ScratchDir set_dir;
  std::swap(dir.path, set_dir.path);
  MadeSet set = make_set(plan, dir.path, "movie.pdi", {170000});
  std::swap(dir.path, set_dir.path);
  // The set lies beside the output folder, so that "../" would reach it.
  RunResult r = run_quarnex(set_dir.path, {"-r", "-m", "out", "movie"});
  EXPECT_EQ(r.status, 1);
  std::string warnings;
  for (const pdi_maker::PlacedFile& f : table_files(set.image))
    if (std::find(unsafe.begin(), unsafe.end(), f.identifier) != unsafe.end())
      warnings += "Warning: file " + f.identifier + " has a name that cannot be written safely, skipped\n";
  std::vector<FileRun> runs;
  for (const pdi_maker::PlacedFile& f : table_files(set.image))
    if (f.identifier == "GOOD.DAT;1" || f.identifier == "LAST.DAT;1")
      runs.push_back({std::string("out") + sep + written_name(f.identifier), f.first_sector, f.size});
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + warnings +
                                  "cowardly clearing delete source flag\n" + expect_runs(set, runs).progress +
                                  std::to_string(unsafe.size()) + " files not written because of unsafe names." +
                                  kSafetyPrompt);
  // Only the two good files were written, and every member is still there.
  std::set<std::string> expected = {"movie.pdi", "movie.pdi01", "out/GOOD.DAT", "out/LAST.DAT"};
  EXPECT_EQ(files_below(set_dir.path), expected);
  EXPECT_TRUE(files_below(dir.path).empty());
}

TEST_F(DataSafety, OutputPathTooLongIsAnErrorNotAShorterName) {
  pdi_maker::ImagePlan plan;
  plan.files.push_back(file("VIDEO_TS.IFO;1", 12288));
  make_set(plan, dir.path, "movie.pdi", {});
  std::string long_dir(990, 'd');
  RunResult r = run({"-d", long_dir, "movie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + long_dir + sep +
                                  "VIDEO_TS.IFO: File name too long\n" + kSafetyPrompt);
}

TEST_F(DataSafety, MemberNameTooLongIsAnError) {
  if (testing_windows_build()) GTEST_SKIP() << "Windows paths of this length need another prefix";
  // A set name of 770 characters across four folders: it can be opened and
  // listed, but the member names would not fit their buffer.
  std::string folder;
  for (int i = 0; i < 4; ++i) {
    folder += (folder.empty() ? "" : "/") + std::string(180, 'a' + i);
    ASSERT_EQ(mkdir((dir / folder).c_str(), 0777), 0);
  }
  pdi_maker::ImagePlan plan;
  plan.files.push_back(file("A.DAT;1", 5000));
  std::string name = folder + "/" + std::string(770 - folder.size() - 1 - 4, 'm') + ".pdi";
  ASSERT_EQ(name.size(), 770u);
  MadeSet set = make_set(plan, dir.path, name, {});
  RunResult r = run({name});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, expected_listing(set.image));
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + name +
                                  ": File name too long\n" + kSafetyPrompt);
}

TEST_F(DataSafety, AnOutputThatIsAMemberIsRefusedBeforeItIsOpened) {
  pdi_maker::ImagePlan plan;
  plan.files.push_back(file("A.DAT;1", 50000));
  plan.files.push_back(file("movie.pdi01", 50000));  // extracted into the set's own folder
  MadeSet set = make_set(plan, dir.path, "movie.pdi", {200000});
  std::string before;
  ASSERT_TRUE(read_whole_file(dir / "movie.pdi01", &before));
  RunResult r = run({"-r", "movie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("writing movie.pdi01 (" + std::to_string(extents_shown(50000)) +
                       " extents) movie.pdi01: is a member of the .pdi set, not overwritten" +
                       std::string(kSafetyPrompt)),
            std::string::npos)
      << r.err;
  std::string after;
  ASSERT_TRUE(read_whole_file(dir / "movie.pdi01", &after));
  EXPECT_TRUE(before == after);
  if (testing_windows_build()) return;
  // A conversion whose .iso is a link to a member is refused the same way.
  ASSERT_EQ(symlink("movie.pdi01", (dir / "out.iso").c_str()), 0);
  r = run({"-i", "out", "movie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("out.iso: is a member of the .pdi set, not overwritten\n"), std::string::npos) << r.err;
  ASSERT_TRUE(read_whole_file(dir / "movie.pdi01", &after));
  EXPECT_TRUE(before == after);
}

// Under strace: every member is deleted only when each output written to
// since its last flush has been flushed again.
TEST_F(DataSafety, MembersAreDeletedOnlyBehindFlushedOutputs) {
  if (testing_windows_build()) GTEST_SKIP() << "traced natively";
  pdi_maker::ImagePlan plan;
  plan.files = pdi_maker::dvd_files(3, 600000);
  // Cut inside sectors; then with a member of 1,000 bytes inside the sector
  // member 0 ends in, and an empty member after it.
  for (const std::vector<uint64_t>& cuts : std::vector<std::vector<uint64_t>>{{300000, 700001, 500000},
                                                                           {300000, 1000, 0, 700001, 500000}}) {
    SCOPED_TRACE(std::to_string(cuts.size() + 1) + " members");
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    MadeSet set = make_set(plan, dir.path, "movie.pdi", cuts);
    ASSERT_EQ(system("command -v strace > /dev/null"), 0) << "strace must be installed";
    std::string program = getenv("QUARNEX_PROGRAM");
    // A build with AddressSanitizer: its leak check cannot run under ptrace
    // and would end the traced run with status 1.
    std::string command = "cd '" + dir.path + "' && ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" " +
                          "strace -f -qq -o trace.txt -e trace=openat,open,write,copy_file_range,fsync,fdatasync,unlink,unlinkat '" +
                          program + "' -x movie < /dev/null > /dev/null 2> err.txt";
    if (system(command.c_str()) != 0) {
      std::string err;
      read_whole_file(dir / "err.txt", &err);
      FAIL() << "the traced run failed: " << err;
    }
    std::ifstream trace(dir / "trace.txt");
    std::regex open_out(R"re((?:openat|open)\(.*O_WRONLY.*\)\s+= (\d+))re");
    std::regex wrote(R"re((?:write|copy_file_range)\((?:\d+, NULL, )?(\d+),.*\)\s+= [1-9])re");
    std::regex copied(R"re(copy_file_range\(\d+, NULL, (\d+),.*\)\s+= [1-9])re");
    std::regex flushed(R"re((?:fsync|fdatasync)\((\d+)\)\s+= 0)re");
    std::regex deleted(R"re(unlink(?:at)?\(.*"([^"]*movie\.pdi[0-9]*)".*\)\s+= 0)re");
    std::set<std::string> outputs, dirty;
    int deletions = 0;
    std::string line;
    while (std::getline(trace, line)) {
      std::smatch m;
      if (std::regex_search(line, m, open_out)) outputs.insert(m[1]);
      else if (std::regex_search(line, m, copied) && outputs.count(m[1])) dirty.insert(m[1]);
      else if (std::regex_search(line, m, wrote) && outputs.count(m[1])) dirty.insert(m[1]);
      else if (std::regex_search(line, m, flushed)) dirty.erase(m[1]);
      else if (std::regex_search(line, m, deleted)) {
        ++deletions;
        EXPECT_TRUE(dirty.empty()) << "deleted " << m[1] << " before flushing its output";
      }
    }
    EXPECT_EQ(deletions, static_cast<int>(set.member_sizes.size()));
    for (size_t k = 0; k < set.member_sizes.size(); ++k) EXPECT_FALSE(exists(dir / member_name(set, k)));
    std::swap(dir.path, fresh.path);
  }
}

}  // namespace

namespace {

// A file inside another file's run cannot be read once the chain has moved
// past its start; with -r its member would be gone. Every member stays.
TEST_F(DataSafety, OverlappingFilesKeepEveryMember) {
  pdi_maker::ImagePlan plan;
  pdi_maker::FilePlan a = file("A.DAT;1", 50 * 2048), b = file("B.DAT;1", 5 * 2048), c = file("C.DAT;1", 4096);
  a.first_sector = 100;
  b.first_sector = 120;
  c.first_sector = 200;
  plan.files = {a, b, c};
  MadeSet set = make_set(plan, dir.path, "movie.pdi", {pdiset::kSetHeaderSize + 130 * pdiset::kSectorSize + 7});
  RunResult r = run({"-r", "movie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n"
                              "Warning: file B.DAT;1 overlaps file A.DAT;1\n"
                              "cowardly clearing delete source flag\n"
                              "writing A.DAT (50 extents) (movie.pdi01)\n"
                              "writing B.DAT (5 extents) during skip of .pdi-data: Invalid argument\n" +
                                  std::string(kSafetyPrompt));
  EXPECT_TRUE(exists(dir / "movie.pdi"));
  EXPECT_TRUE(exists(dir / "movie.pdi01"));
}

}  // namespace

namespace {

// Records of one file in several sections: every "more sections follow"
// record but the last (flags 0x80), each placed where the test says.
pdi_maker::FilePlan section(const std::string& identifier, uint64_t size, uint32_t first_sector, bool more) {
  pdi_maker::FilePlan f = file(identifier, size);
  f.first_sector = first_sector;
  f.flags = more ? 0x80 : 0;
  return f;
}

std::string output_of(const std::string& path) {
  std::string bytes;
  read_whole_file(path, &bytes);
  return bytes;
}

// The chain only moves forward: a section that goes back to an earlier
// sector is read again from the member that holds it, which must still be
// there. The file is written whole, every member stays.
TEST_F(DataSafety, SectionsThatGoBackKeepEveryMember) {
  pdi_maker::ImagePlan plan;
  plan.files = {section("BIG.DAT;1", 2 * 2048, 200, true), section("BIG.DAT;1", 2 * 2048 + 100, 100, false),
                section("NEXT.DAT;1", 3000, 210, false)};
  MadeSet set = make_set(plan, dir.path, "movie.pdi", {pdiset::kSetHeaderSize + 90 * pdiset::kSectorSize + 7});
  RunResult r = run({"-r", "movie"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n"
                              "cowardly clearing delete source flag\n"
                              "writing BIG.DAT (5 extents) (movie.pdi01)\n"
                              "writing NEXT.DAT (2 extents) \n");
  EXPECT_NE(r.out.find("[    200]    BIG.DAT;1       8292 "), std::string::npos) << r.out;
  EXPECT_EQ(output_of(dir / "BIG.DAT"), expected_output(set.image, {"", 200, 2 * 2048}) +
                                            expected_output(set.image, {"", 100, 2 * 2048 + 100}));
  EXPECT_EQ(output_of(dir / "NEXT.DAT"), expected_output(set.image, {"", 210, 3000}));
  EXPECT_TRUE(exists(dir / "movie.pdi"));
  EXPECT_TRUE(exists(dir / "movie.pdi01"));
  // The list file gives the whole length too.
  ASSERT_EQ(run({"-gs", "list.txt", "movie"}).status, 0);
  EXPECT_EQ(output_of(dir / "list.txt"), "BIG.DAT;1,8292\r\nNEXT.DAT;1,3000\r\n");
}

// A chain cut off by another name, or by the directory's end, is one file
// of what its sections hold, with a warning.
TEST_F(DataSafety, SectionsThatDoNotEnd) {
  pdi_maker::ImagePlan plan;
  plan.files = {section("CUT.DAT;1", 2048, 100, true), section("CUT.DAT;1", 1000, 101, true),
                section("NEXT.DAT;1", 3000, 110, false), section("LAST.DAT;1", 4096, 120, true)};
  plan.with_subdirectory = false;  // LAST.DAT's chain meets the directory's end
  MadeSet set = make_set(plan, dir.path, "movie.pdi", {});
  RunResult r = run({"movie"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n"
                              "Warning: CUT.DAT;1 is recorded in sections that do not end\n"
                              "Warning: LAST.DAT;1 is recorded in sections that do not end\n"
                              "writing CUT.DAT (2 extents) \n"
                              "writing NEXT.DAT (2 extents) \n"
                              "writing LAST.DAT (2 extents) \n");
  EXPECT_NE(r.out.find("[    100]    CUT.DAT;1       3048 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[    120]   LAST.DAT;1       4096 "), std::string::npos) << r.out;
  EXPECT_EQ(output_of(dir / "CUT.DAT"), expected_output(set.image, {"", 100, 3048}));
  EXPECT_EQ(output_of(dir / "NEXT.DAT"), expected_output(set.image, {"", 110, 3000}));
  EXPECT_EQ(output_of(dir / "LAST.DAT"), expected_output(set.image, {"", 120, 4096}));
}

}  // namespace
