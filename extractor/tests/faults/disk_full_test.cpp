// A full output disk: writes that fail at once (/dev/full in place of the
// output file) and writes that fill a small file system part way. The run
// ends with the exact context, status 1, the outputs as far as they were
// written, and every member that the chain had not left still on disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include "layouts.h"

namespace {

class DiskFull : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string out() { return dir / "out"; }
  void SetUp() override { ASSERT_EQ(mkdir(out().c_str(), 0777), 0); }
  void full(const std::string& name) { ASSERT_EQ(symlink("/dev/full", (out() + "/" + name).c_str()), 0); }
};

TEST_F(DiskFull, WritesThatFailAtOnce) {
  struct Case {
    const char* fault;
    const char* full_file;          // output that leads to /dev/full
    std::vector<std::string> args;
    std::string progress;           // standard error between the banner and the prompt
    std::vector<bool> left;         // members still there afterwards
  };
  const Case cases[] = {
      {"bulk write, one member left", "B.DAT", {"-r", "-d", "out", "set"},
       "writing out/A.DAT (50 extents) \nwriting out/S.DAT (20 extents) (set.pdi01)\n"
       "writing out/B.DAT (200 extents) during write of extents: No space left on device\n",
       {false, true, true}},
      {"bulk write of the first file", "A.DAT", {"-r", "-d", "out", "set"},
       "writing out/A.DAT (50 extents) during write of extents: No space left on device\n", {true, true, true}},
      {"split sector write", "S.DAT", {"-r", "-d", "out", "set"},
       "writing out/A.DAT (50 extents) \n"
       "writing out/S.DAT (20 extents) (set.pdi01)during write of segmented extent: No space left on device\n",
       {true, true, true}},
      {"split sector write, without -r", "S.DAT", {"-d", "out", "set", "S.DAT;1"},
       "writing out/S.DAT (20 extents) (set.pdi01)during write of segmented extent: No space left on device\n",
       {true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    ASSERT_EQ(mkdir(out().c_str(), 0777), 0);
    MadeSet set = split_layout(dir.path);
    full(c.full_file);
    RunResult r = run_quarnex(dir.path, c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err_after_echo, kBannerLines + c.progress + kPrompt);
    EXPECT_EQ(members_left(set), c.left);
    // The files finished before the failure are whole; nothing of a member
    // that is gone is missing from the outputs.
    std::vector<std::string> chosen;
    auto image_word = std::find(c.args.begin(), c.args.end(), "set");
    chosen.assign(image_word + 1, c.args.end());
    std::vector<FileRun> runs = runs_of(set, "out", chosen);
    for (const FileRun& run : runs) {
      if (run.path == std::string("out/") + c.full_file) break;
      expect_output(set, run);
    }
    LossReport loss = losses(set, runs);
    EXPECT_EQ(loss.lost, 0) << loss.detail;
    EXPECT_EQ(loss.changed_members, 0) << loss.detail;
    record_result("Output disk full", std::string("/dev/full as output: ") + c.fault, 1, message_of(r.err_after_echo),
                  loss.lost, r.status < 0, 0);
    std::swap(dir.path, fresh.path);
  }
}

// Deleting a member first flushes the output being written; an output that
// cannot be flushed keeps the member.
TEST_F(DiskFull, OutputThatCannotBeFlushedKeepsTheMember) {
  pdi_maker::ImagePlan plan;
  pdi_maker::FilePlan a, z;
  a.identifier = "A.DAT;1";
  a.first_sector = 100;
  a.size = 50 * kSectorSize;
  z.identifier = "Z.DAT;1";  // 100 bytes in the next member: the chain moves on to reach them
  z.first_sector = 300;
  z.size = 100;
  plan.files = {a, z};
  MadeSet set = make_set(plan, dir.path, "set.pdi", {kSetHeaderSize + 250 * kSectorSize});
  full("Z.DAT");
  RunResult r = run_quarnex(dir.path, {"-r", "-d", "out", "set"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err_after_echo, std::string(kBannerLines) +
                                  "writing out/A.DAT (50 extents) \n"
                                  "writing out/Z.DAT (1 extents) during flush of extents: Invalid argument\n" +
                                  kPrompt);
  EXPECT_EQ(members_left(set), (std::vector<bool>{true, true}));
  expect_output(set, "out/A.DAT", 100, 50);
  record_result("Output disk full", "output that cannot be flushed (/dev/full), -r, member to be left", 1,
                message_of(r.err_after_echo), losses(set, runs_of(set, "out")).lost, r.status < 0, 0);
}

// A small file system that fills up while a file is written: the output
// keeps every byte written before the disk was full; members whose bytes are
// all in outputs are gone, the rest are there.
TEST_F(DiskFull, SmallFileSystemFillsUpPartWay) {
  struct Case {
    const char* fault;
    size_t free_bytes;
    std::string progress;
    std::vector<bool> left;
    int64_t b_sectors_written;  // of B.DAT (A.DAT and S.DAT are whole)
  };
  // A.DAT and S.DAT take 70 sectors; B.DAT then gets what is left.
  const Case cases[] = {
      {"in the bulk copy, two members already left", (70 + 150) * 2048,
       "writing out/A.DAT (50 extents) \nwriting out/S.DAT (20 extents) (set.pdi01)\n"
       "writing out/B.DAT (200 extents) (set.pdi02)during write of extents: No space left on device\n",
       {false, false, true}, 150},
      {"in the bulk copy, one member left", (70 + 40) * 2048,
       "writing out/A.DAT (50 extents) \nwriting out/S.DAT (20 extents) (set.pdi01)\n"
       "writing out/B.DAT (200 extents) during write of extents: No space left on device\n",
       {false, true, true}, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    SmallFileSystem fs(out(), 2 << 20);
    if (!fs.mounted()) {
      std::swap(dir.path, fresh.path);
      GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    ASSERT_TRUE(fs.leave_free(c.free_bytes));
    MadeSet set = split_layout(dir.path);
    RunResult r = run_quarnex(dir.path, {"-r", "-d", "out", "set"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err_after_echo, kBannerLines + c.progress + kPrompt);
    EXPECT_EQ(members_left(set), c.left);
    expect_output(set, "out/A.DAT", 100, 50);
    expect_output(set, "out/S.DAT", 250, 20);
    expect_output(set, "out/B.DAT", 300, c.b_sectors_written);
    LossReport loss = losses(set, runs_of(set, "out"));
    EXPECT_EQ(loss.lost, 0) << loss.detail;
    EXPECT_EQ(loss.wrong, 0) << loss.detail;
    record_result("Output disk full", std::string("small file system full ") + c.fault, 1,
                  message_of(r.err_after_echo), loss.lost, r.status < 0, 0);
    std::swap(dir.path, fresh.path);
  }
}

// The disk fills up exactly where the split sector is to be written.
TEST_F(DiskFull, SmallFileSystemFullAtTheSplitSector) {
  SmallFileSystem fs(out(), 1 << 20);
  if (!fs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  ASSERT_TRUE(fs.leave_free(50 * 2048));  // A.DAT fits, then nothing more
  MadeSet set = split_layout(dir.path);
  RunResult r = run_quarnex(dir.path, {"-r", "-d", "out", "set", "A.DAT;1", "S.DAT;1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err_after_echo, std::string(kBannerLines) +
                                  "writing out/A.DAT (50 extents) \n"
                                  "writing out/S.DAT (20 extents) (set.pdi01)during write of segmented extent: "
                                  "No space left on device\n" +
                                  kPrompt);
  EXPECT_EQ(members_left(set), (std::vector<bool>{true, true, true}));
  expect_output(set, "out/A.DAT", 100, 50);
  expect_output(set, "out/S.DAT", 250, 0);
  record_result("Output disk full", "small file system full at the split sector", 1, message_of(r.err_after_echo),
                losses(set, runs_of(set, "out", {"A.DAT;1", "S.DAT;1"})).lost, r.status < 0, 0);
}

}  // namespace
