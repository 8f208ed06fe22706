// Extraction, conversion, selection and deletion, checked byte for byte
// against the image the set was made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

#include "run_program.h"
#include "set_model.h"

namespace {

using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;

const char kPrompt[] = "\n\aHit <RETURN> to continue\n";

pdi_maker::ImagePlan dvd_plan(uint64_t vob_size = 700000, int vobs = 3) {
  pdi_maker::ImagePlan plan;
  plan.files = pdi_maker::dvd_files(vobs, vob_size);
  pdi_maker::FilePlan hidden;
  hidden.identifier = "HIDDEN.DAT;1";
  hidden.size = 5000;
  hidden.flags = 1;
  plan.files.insert(plan.files.begin() + 2, hidden);
  return plan;
}

class Extraction : public ProgramTest {
 protected:
  std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + sep + name;
  }

  // Every listed file of the image, in table order, as written into folder.
  std::vector<FileRun> all_runs(const MadeSet& set, const std::string& folder) {
    std::vector<FileRun> runs;
    for (const pdi_maker::PlacedFile& f : table_files(set.image))
      runs.push_back({join(folder, written_name(f.identifier)), f.first_sector, f.size});
    return runs;
  }

  // Each output file holds exactly the image bytes of its file.
  void expect_outputs(const MadeSet& set, const std::vector<FileRun>& runs) {
    ::expect_outputs(dir.path, set, runs);
  }

  void expect_members(const MadeSet& set, size_t gone_up_to_and_including, bool removed) {
    for (size_t k = 0; k < set.member_sizes.size(); ++k) {
      bool gone = removed && k <= gone_up_to_and_including;
      EXPECT_EQ(exists(dir / member_name(set, k)), !gone) << member_name(set, k);
    }
  }
};

TEST_F(Extraction, AllFilesIntoTheCurrentFolder) {
  // The second set's header continues into member 1: its sectors start 204
  // bytes in. In the third, member 0 ends 32 bytes into a sector, member 1
  // holds the next 1,000 bytes of it, member 2 none, member 3 the rest.
  for (const std::vector<uint64_t>& cuts :
       std::vector<std::vector<uint64_t>>{{500000, 1300001}, {100, 500000}, {498000, 1000, 0, 800000}}) {
    SCOPED_TRACE(cuts[0]);
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", cuts);
    std::vector<FileRun> runs = all_runs(set, "");
    Expected e = expect_runs(set, runs);
    RunResult r = run({"movie"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_listing(set.image));
    EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + e.progress);
    expect_outputs(set, runs);
    expect_members(set, 0, false);
    EXPECT_FALSE(exists(dir / "HIDDEN.DAT"));
    std::swap(dir.path, fresh.path);
  }
}

TEST_F(Extraction, OutputDirectoryOptions) {
  struct Case {
    std::vector<std::string> options;
    std::string folder;         // where the files go
    std::string messages;       // directory creation reports before the writing lines
    std::vector<std::string> premade;
  };
  const std::string vts = std::string("out") + sep + "VIDEO_TS";
  const Case cases[] = {
      {{"-v"}, "VIDEO_TS", "", {}},
      {{"-m", "out"}, "out", "", {}},
      {{"-m", "out", "-v"}, vts, "", {}},
      {{"-d", "out", "-v"}, vts, "", {"out"}},
      {{"-d", "out"}, "out", "", {"out"}},
      // An existing -m directory is reported and used.
      {{"-m", "out"}, "out", "out: File exists\n", {"out"}},
      {{"-v"}, "VIDEO_TS", "VIDEO_TS: File exists\n", {"VIDEO_TS"}},
  };
  for (const Case& c : cases) {
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", {600000});
    for (const std::string& d : c.premade) {
      std::string p = d;
      ASSERT_EQ(mkdir((dir / p).c_str(), 0777), 0);
      if (d == "out" && c.folder == vts) continue;
    }
    std::vector<std::string> args = c.options;
    args.push_back("movie");
    std::vector<FileRun> runs = all_runs(set, c.folder);
    RunResult r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, echo_and_banner(r.word0, args) + c.messages + expect_runs(set, runs).progress);
    expect_outputs(set, runs);
    std::swap(dir.path, fresh.path);
  }
}

TEST_F(Extraction, VideoTsBelowAMissingDirectoryFailsAtTheFirstFile) {
  MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", {600000});
  RunResult r = run({"-d", "out", "-v", "movie"});
  EXPECT_EQ(r.status, 1);
  const std::string vts = std::string("out") + sep + "VIDEO_TS";
  std::string first = table_files(set.image)[0].identifier;
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + vts +
                                  ": No such file or directory\nwriting " + vts + sep + written_name(first) +
                                  " (" + std::to_string(extents_shown(table_files(set.image)[0].size)) + " extents) " +
                                  first + ": No such file or directory\n" + kPrompt);
}

TEST_F(Extraction, XDeletesEveryMemberReached) {
  MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", {500000, 800000, 700000});
  const std::string folder = std::string("movie") + sep + "VIDEO_TS";
  std::vector<FileRun> runs = all_runs(set, folder);
  Expected e = expect_runs(set, runs);
  RunResult r = run({"-x", "movie.pdi"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + e.progress);
  expect_outputs(set, runs);
  expect_members(set, e.last_member, true);
}

TEST_F(Extraction, ConversionWritesTheImageUpToItsLastFile) {
  MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", {300000, 2048 * 200 + 1360, 5000});
  const uint64_t image_length = static_cast<uint64_t>(conversion_sectors(set)) * kSectorSize;
  for (const std::vector<std::string>& opts : std::vector<std::vector<std::string>>{
           {"-i", "out"}, {"-i", "out.iso", "-m", "dest"}}) {
    std::string folder = opts.size() > 2 ? "dest" : "";
    std::vector<FileRun> runs = {{join(folder, "out.iso"), 0, image_length}};
    std::vector<std::string> args = opts;
    args.push_back("movie");
    RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err_after_echo,
              "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + expect_runs(set, runs).progress);
    expect_outputs(set, runs);
  }
}

// A conversion needs every byte of the files: a member holding some that is
// missing or too short ends the run as extraction does, and every member
// stays. Only closing sectors past the last file may be missing: a warning.
TEST_F(Extraction, ConversionNeedsEveryByteOfTheFiles) {
  struct Case {
    const char* what;
    std::vector<uint64_t> cuts;
    int64_t extra_volume;  // volume sectors past the last file's end
    size_t drop;           // trailing members taken away
    int64_t cut_member_1;  // >= 0: member 1 cut to this many bytes
    std::string said;      // after the "writing" line; "" for success
  };
  const pdi_maker::Image image = pdi_maker::build_image(dvd_plan());
  // A set whose last member holds only sectors past the last file.
  const uint64_t files_bytes = kSetHeaderSize + image.sector_count * kSectorSize;
  const Case cases[] = {
      {"last member missing", {500000, 700000}, 0, 1, -1, "movie.pdi02: No such file or directory\n"},
      {"last member missing, volume past the files", {500000, 700000}, 40, 1, -1,
       "movie.pdi02: No such file or directory\n"},
      // The members joined are the set: one cut short ends it early.
      {"continuation member cut inside its first sector", {500000, 700000}, 0, 0, 10,
       "movie.pdi03: No such file or directory\n"},
      {"only sectors past the last file missing", {files_bytes + 3000}, 40, 1, -1, ""},
      {"volume past the set", {500000}, 40, 0, -1, ""},
  };
  for (const Case& c : cases) {
    for (bool remove : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (remove ? ", -r" : ""));
      ScratchDir fresh;
      std::swap(dir.path, fresh.path);
      pdi_maker::ImagePlan plan = dvd_plan();
      plan.volume_sectors = static_cast<int64_t>(image.sector_count) + c.extra_volume;
      plan.image_sectors = image.sector_count + (c.drop && c.said.empty() ? 10 : 0);
      MadeSet set = make_set(plan, dir.path, "movie.pdi", c.cuts);
      for (size_t k = 0; k < c.drop; ++k) {
        ASSERT_EQ(unlink((dir / member_name(set, set.member_sizes.size() - 1)).c_str()), 0);
        set.member_sizes.pop_back();
      }
      if (c.cut_member_1 >= 0) {
        ASSERT_EQ(truncate((dir / "movie.pdi01").c_str(), c.cut_member_1), 0);
        set.member_sizes[1] = static_cast<uint64_t>(c.cut_member_1);
      }
      Conversion conversion = expect_conversion(set);
      EXPECT_EQ(conversion.files_missing(), !c.said.empty());
      std::vector<FileRun> runs = {{"out.iso", 0, static_cast<uint64_t>(conversion.sectors) * kSectorSize}};
      std::vector<std::string> args = {"-i", "out", "movie"};
      if (remove) args.insert(args.begin(), "-r");
      RunResult r = run(args);
      Expected expected = expect_runs(set, runs);
      EXPECT_EQ(expected.past_the_set, !c.said.empty());
      const std::string progress = expected.progress;
      EXPECT_EQ(r.err, echo_and_banner(r.word0, args) + conversion.warning() +
                           (remove ? "cowardly clearing delete source flag\n" : "") + progress + c.said +
                           (c.said.empty() ? "" : kPrompt));
      EXPECT_EQ(r.status, c.said.empty() ? 0 : 1);
      if (c.said.empty()) expect_outputs(set, runs);
      for (size_t k = 0; k < set.member_sizes.size(); ++k) EXPECT_TRUE(exists(dir / member_name(set, k))) << k;
      std::swap(dir.path, fresh.path);
    }
  }
}

TEST_F(Extraction, SelectionByNameAndPrefix) {
  MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", {500000});
  struct Case {
    std::vector<std::string> words;
    std::vector<std::string> selected;  // identifiers
    std::string warnings;
  };
  const Case cases[] = {
      {{"vts_01*"}, {"VTS_01_0.IFO;1", "VTS_01_0.BUP;1", "VTS_01_1.VOB;1", "VTS_01_2.VOB;1", "VTS_01_3.VOB;1"}, ""},
      {{"VTS_01_1.VOB;1*"}, {"VTS_01_1.VOB;1"}, ""},
      {{"*"}, {"VIDEO_TS.IFO;1", "VIDEO_TS.BUP;1", "VTS_01_0.IFO;1", "VTS_01_0.BUP;1", "VTS_01_1.VOB;1",
               "VTS_01_2.VOB;1", "VTS_01_3.VOB;1"}, ""},
      {{"video_ts.ifo;1", "VIDEO_TS.IFO;1"}, {"VIDEO_TS.IFO;1"}, ""},
      {{"VTS_01_2.VOB;1", "nothing", "VIDEO_TS.BUP;1"}, {"VIDEO_TS.BUP;1", "VTS_01_2.VOB;1"},
       "Warning: file nothing not found in .pdi set\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"-m", "sel", "movie"};
    args.insert(args.end(), c.words.begin(), c.words.end());
    std::vector<FileRun> runs;
    for (const pdi_maker::PlacedFile& f : table_files(set.image))
      if (std::find(c.selected.begin(), c.selected.end(), f.identifier) != c.selected.end())
        runs.push_back({join("sel", written_name(f.identifier)), f.first_sector, f.size});
    ASSERT_EQ(runs.size(), c.selected.size());
    RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string created = c.words == cases[0].words ? "" : "sel: File exists\n";
    EXPECT_EQ(r.err, echo_and_banner(r.word0, args) + c.warnings + created + expect_runs(set, runs).progress);
    expect_outputs(set, runs);
  }
}

// Another reader of ISO 9660 finds in our converted image the very files
// that our extraction wrote.
TEST_F(Extraction, ConvertedImageReadsBackWithAnotherReader) {
  if (testing_windows_build()) GTEST_SKIP() << "the reader runs natively on the native build's image";
  // The image ends with the whole sectors of the file that starts last, so
  // that file is made of whole sectors here for the reader to find it whole.
  pdi_maker::ImagePlan plan = dvd_plan();
  pdi_maker::FilePlan last;
  last.identifier = "ZZ_LAST.DAT;1";
  last.size = 3 * 2048;
  plan.files.push_back(last);
  MadeSet set = make_set(plan, dir.path, "movie.pdi", {500000, 900001});
  ASSERT_EQ(run({"-i", "movie", "movie"}).status, 0);
  ASSERT_EQ(run({"-m", "ours", "movie"}).status, 0);
  ASSERT_EQ(mkdir((dir / "theirs").c_str(), 0777), 0);
  std::string command = "cd '" + dir.path + "/theirs' && bsdtar -xf ../movie.iso";
  ASSERT_EQ(system(command.c_str()), 0);
  for (const pdi_maker::PlacedFile& f : table_files(set.image)) {
    std::string name = written_name(f.identifier), ours, theirs;
    ASSERT_TRUE(read_whole_file(dir / ("ours/" + name), &ours)) << name;
    ASSERT_TRUE(read_whole_file(dir / ("theirs/VIDEO_TS/" + name), &theirs)) << name;
    // Both stop at the recorded length.
    EXPECT_EQ(ours.size(), f.size) << name;
    EXPECT_TRUE(theirs == ours) << name;
  }
}

TEST_F(Extraction, NothingSelected) {
  make_set(dvd_plan(), dir.path, "movie.pdi", {500000});
  RunResult r = run({"movie", "-l"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n"
                              "Warning: file -l not found in .pdi set\n"
                              "no files to extract, exiting." + std::string(kPrompt));
  r = run({"-r", "movie", "a", "b"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n"
                              "Warning: file a not found in .pdi set\n"
                              "Warning: file b not found in .pdi set\n"
                              "2 warnings issued during file selection.\ncowardly clearing delete source flag\n"
                              "no files to extract, exiting." + std::string(kPrompt));
  EXPECT_TRUE(exists(dir / "movie.pdi"));
}

TEST_F(Extraction, SelectionWarningKeepsEveryMember) {
  MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", {500000, 700000});
  std::vector<pdi_maker::PlacedFile> files = table_files(set.image);
  const pdi_maker::PlacedFile& last = files.back();
  RunResult r = run({"-r", "movie", last.identifier, "missing"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<FileRun> runs = {{written_name(last.identifier), last.first_sector, last.size}};
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n"
                              "Warning: file missing not found in .pdi set\n"
                              "1 warnings issued during file selection.\ncowardly clearing delete source flag\n" +
                                  expect_runs(set, runs).progress);
  expect_outputs(set, runs);
  expect_members(set, 0, false);
}

// A set whose members present lack bytes of the chosen files: the members
// are measured before the first is left, every one is kept, what can be is
// written, and the run ends at the missing member. A set that lacks only
// members the choice does not need deletes those it reaches.
TEST_F(Extraction, MissingMemberKeepsEveryMemberWhenTheChoiceNeedsIt) {
  // Ten sectors past the files end the image.
  pdi_maker::ImagePlan plan = dvd_plan();
  plan.image_sectors = pdi_maker::build_image(plan).sector_count + 10;
  const pdi_maker::Image image = pdi_maker::build_image(plan);
  const std::vector<pdi_maker::PlacedFile> files = table_files(image);
  const pdi_maker::PlacedFile& last = files.back();
  const uint64_t last_end = kSetHeaderSize + uint64_t{last.first_sector} * kSectorSize + last.size;
  struct Case {
    const char* what;
    std::vector<uint64_t> cuts;
    size_t missing;                 // the member taken away; the ones after it stay
    std::vector<std::string> words;  // file words, or none for every file
    bool needed;                     // the choice needs bytes of the missing member
  };
  const Case cases[] = {
      {"-x, every file, a middle member missing", {500000, 700000, 600000}, 2, {}, true},
      {"-r, every file, the last member missing", {500000, 700000}, 2, {}, true},
      {"-r, the last file only, its member missing", {500000, 700000}, 2, {last.identifier}, true},
      {"-r, the first file only", {500000, 700000}, 2, {files.front().identifier}, false},
      // The last member holds only sectors past the last file's bytes.
      {"-x, a last member no file needs", {last_end + 3}, 1, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    MadeSet set = make_set(image, dir.path, "movie.pdi", c.cuts);
    ASSERT_EQ(unlink((dir / member_name(set, c.missing)).c_str()), 0);
    MadeSet present = set;
    present.member_sizes.resize(c.missing);

    const bool x = std::string(c.what).compare(0, 2, "-x") == 0;
    const std::string folder = x ? std::string("movie") + sep + "VIDEO_TS" : "";
    std::vector<FileRun> runs;
    for (const pdi_maker::PlacedFile& f : files) {
      bool chosen = c.words.empty() || std::find(c.words.begin(), c.words.end(), f.identifier) != c.words.end();
      if (chosen) runs.push_back({join(folder, written_name(f.identifier)), f.first_sector, f.size});
    }
    Expected e = expect_runs(present, runs);
    ASSERT_EQ(e.past_the_set, c.needed);
    std::vector<std::string> args = {x ? "-x" : "-r", "movie"};
    args.insert(args.end(), c.words.begin(), c.words.end());
    RunResult r = run(args);
    const std::string missing = member_name(set, c.missing) + ": No such file or directory\n" + kPrompt;
    EXPECT_EQ(r.err, echo_and_banner(r.word0, args) + (e.past_the_set ? "cowardly clearing delete source flag\n" : "") +
                         e.progress + (e.past_the_set ? missing : ""));
    EXPECT_EQ(r.status, e.past_the_set ? 1 : 0);
    // Every file whose line the run ended holds its bytes.
    std::vector<FileRun> whole(runs.begin(), runs.begin() + std::count(e.progress.begin(), e.progress.end(), '\n'));
    expect_outputs(present, whole);
    for (size_t k = 0; k < set.member_sizes.size(); ++k) {
      if (k == c.missing) continue;
      bool gone = !e.past_the_set && k <= e.last_member;
      EXPECT_EQ(exists(dir / member_name(set, k)), !gone) << member_name(set, k);
    }
    std::swap(dir.path, fresh.path);
  }
}

TEST_F(Extraction, ExistingOutputIsOverwrittenToItsExactLength) {
  MadeSet set = make_set(dvd_plan(), dir.path, "movie.pdi", {});
  const pdi_maker::PlacedFile f = table_files(set.image)[0];
  std::string name = written_name(f.identifier);
  FILE* out = fopen((dir / name).c_str(), "wb");
  ASSERT_TRUE(out);
  std::string junk(3000000, 'J');
  fwrite(junk.data(), 1, junk.size(), out);
  fclose(out);
  RunResult r = run({"movie", f.identifier});
  ASSERT_EQ(r.status, 0) << r.err;
  expect_outputs(set, {{name, f.first_sector, f.size}});
}

// A continuation member shorter than the rest of the split sector it begins
// with: that sector lies in three members. No file needs it here, so the
// chain only passes it; the files after it come out exact.
TEST_F(Extraction, ASectorOverThreeMembers) {
  pdi_maker::ImagePlan plan;
  auto add = [&plan](const char* id, uint32_t first, uint64_t size) {
    pdi_maker::FilePlan f;
    f.identifier = id;
    f.first_sector = first;
    f.size = size;
    plan.files.push_back(f);
  };
  add("A.DAT;1", 99, 2048);
  add("B.DAT;1", 101, 410);
  add("C.DAT;1", 103, 5000);
  // Sector 100: one byte in member 0, 2046 in member 1, the last in member 2
  // (which also holds the first byte of sector 101).
  const uint64_t sector100 = kSetHeaderSize + uint64_t{100} * kSectorSize;
  for (bool remove : {false, true}) {
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    MadeSet set = make_set(plan, dir.path, "set.pdi", {sector100 + 1, 2046, 2});
    std::vector<FileRun> runs = all_runs(set, "");
    std::vector<std::string> args = {"set"};
    if (remove) args.insert(args.begin(), "-r");
    RunResult r = run(args);
    SCOPED_TRACE(remove ? "-r" : "no -r");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, echo_and_banner(r.word0, args) + expect_runs(set, runs).progress);
    expect_outputs(set, runs);
    expect_members(set, expect_runs(set, runs).last_member, remove);
    std::swap(dir.path, fresh.path);
  }
}

TEST_F(Extraction, LargeRunsPrintADotPerFullStep) {
  pdi_maker::ImagePlan plan;
  pdi_maker::FilePlan f;
  f.identifier = "EXACT.VOB;1";  // exactly 20 MiB: one step, no dot
  f.size = kCopyStep;
  f.first_sector = 100;
  plan.files.push_back(f);
  f.identifier = "MORE.VOB;1";  // one sector more: one dot
  f.size = kCopyStep + 2048;
  f.first_sector = 10341;
  plan.files.push_back(f);
  f.identifier = "BIG.VOB;1";  // crosses into member 1 with more than 20 MiB on both sides
  f.size = 3 * kCopyStep + 5000;
  f.first_sector = 20583;
  plan.files.push_back(f);
  MadeSet set = make_set(plan, dir.path, "movie.pdi", {kSetHeaderSize + kSectorSize * (20583 + 12000) + 100});
  std::vector<FileRun> runs = all_runs(set, "");
  Expected e = expect_runs(set, runs);
  RunResult r = run({"movie"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err_after_echo, "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n" + e.progress);
  EXPECT_NE(e.progress.find("writing EXACT.VOB (10240 extents) \n"), std::string::npos);
  EXPECT_NE(e.progress.find("writing MORE.VOB (10241 extents) .\n"), std::string::npos);
  EXPECT_NE(e.progress.find(".(movie.pdi01)."), std::string::npos) << e.progress;
  expect_outputs(set, runs);
}

}  // namespace
