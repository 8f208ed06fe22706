// Broken continuation members: missing, cut inside the sector they begin
// with, a directory in their place, unreadable for the user, cut short while
// the program reads them, and reads that fail. Each run ends with the exact
// context, status 1, and nothing lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "async_run.h"
#include "layouts.h"

namespace {

const std::string kSetAll = "-r -d out set";

class MemberFaults : public ::testing::Test {
 protected:
  ScratchDir dir;
  void SetUp() override { ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0); }

  void check(const char* fault, const MadeSet& set, const RunResult& r, const std::string& progress,
             const std::vector<bool>& left, const std::vector<std::string>& names = {},
             const std::set<size_t>& removed_by_test = {}) {
    SCOPED_TRACE(fault);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err_after_echo, kBannerLines + progress + kPrompt);
    EXPECT_EQ(members_left(set), left);
    LossReport loss = losses(set, runs_of(set, "out", names), removed_by_test);
    EXPECT_EQ(loss.lost, 0) << loss.detail;
    EXPECT_EQ(loss.wrong, 0) << loss.detail;
    record_result("Broken continuation member", fault, 1, message_of(r.err_after_echo), loss.lost, r.status < 0, 0);
  }
};

const char kAS[] = "writing out/A.DAT (50 extents) \nwriting out/S.DAT (20 extents) ";

TEST_F(MemberFaults, MissingMember) {
  // The files need bytes of the missing member: the run measures the
  // members before it leaves any, keeps them all, writes what it can and
  // ends at the missing one.
  MadeSet set = split_layout(dir.path);
  ASSERT_EQ(unlink((dir / "set.pdi02").c_str()), 0);
  RunResult r = run_quarnex(dir.path, {"-r", "-d", "out", "set"});
  check("missing member, -r, the member before ends on a sector boundary", set, r,
        "cowardly clearing delete source flag\n" + std::string(kAS) +
            "(set.pdi01)\nwriting out/B.DAT (200 extents) set.pdi02: No such file or directory\n",
        {true, true, false}, {}, {2});
  expect_output(set, "out/B.DAT", 300, 100);

  ScratchDir other;
  ASSERT_EQ(mkdir((other / "out").c_str(), 0777), 0);
  MadeSet set2 = split_layout(other.path);
  ASSERT_EQ(unlink((other / "set.pdi01").c_str()), 0);
  r = run_quarnex(other.path, {"-r", "-d", "out", "set"});
  check("missing member, -r, the member before ends inside a sector", set2, r,
        "cowardly clearing delete source flag\n" + std::string(kAS) + "set.pdi01: No such file or directory\n",
        {true, false, true}, {}, {1});

  ScratchDir third;
  ASSERT_EQ(mkdir((third / "out").c_str(), 0777), 0);
  MadeSet set3 = split_layout(third.path);
  ASSERT_EQ(unlink((third / "set.pdi02").c_str()), 0);
  r = run_quarnex(third.path, {"-d", "out", "set"});
  check("missing member, without -r", set3, r,
        std::string(kAS) + "(set.pdi01)\nwriting out/B.DAT (200 extents) set.pdi02: No such file or directory\n",
        {true, true, false}, {}, {2});
}

// A continuation member cut inside the sector it begins with is a member
// shorter than a sector: the members joined are the set, and that sector is
// put together from the members after it, as every reader of the set does.
// The set so joined ends 150 sectors early, inside B.DAT: every member stays.
TEST_F(MemberFaults, MemberCutInsideItsFirstSector) {
  // Member 1 held the 1048 bytes that finish sector 250, then sectors 251 to 399.
  for (off_t size : {off_t(0), off_t(1), off_t(500), off_t(1047)}) {
    ScratchDir fresh;
    ASSERT_EQ(mkdir((fresh / "out").c_str(), 0777), 0);
    MadeSet set = split_layout(fresh.path);
    ASSERT_EQ(truncate((fresh / "set.pdi01").c_str(), size), 0);
    set.member_sizes[1] = static_cast<uint64_t>(size);
    const std::string stream = joined_members(set);
    RunResult r = run_quarnex(fresh.path, {"-r", "-d", "out", "set"});
    std::string fault = "member 1 cut to " + std::to_string(size) + " of the 1048 bytes of its first sector, -r";
    SCOPED_TRACE(fault);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err_after_echo, kBannerLines + std::string("cowardly clearing delete source flag\n") + kAS +
                                    "(set.pdi01)(set.pdi02)\nwriting out/B.DAT (200 extents) "
                                    "set.pdi03: No such file or directory\n" +
                                    kPrompt);
    EXPECT_EQ(members_left(set), (std::vector<bool>{true, true, true}));
    LossReport loss = losses_in(set, stream, runs_of(set, "out"));
    EXPECT_EQ(loss.lost, 0) << loss.detail;
    EXPECT_EQ(loss.wrong, 0) << loss.detail;
    record_result("Broken continuation member", "member cut inside its first sector (0, 1, 500, 1047 of 1048 bytes)",
                  1, message_of(r.err_after_echo), loss.lost, r.status < 0, 0);
  }
}

// A conversion whose set lacks bytes of a file fails as extraction does and
// keeps every member, the ones it has written from too.
TEST_F(MemberFaults, ConversionOfASetLackingFileBytes) {
  struct Case {
    const char* fault;
    const char* member;  // taken away, or cut to cut_to bytes
    off_t cut_to;        // -1: taken away
    std::string said;
  };
  const Case cases[] = {
      {"conversion, member 2 missing, -r", "set.pdi02", -1, "(set.pdi01)set.pdi02: No such file or directory\n"},
      // The members joined end 150 sectors early: the set lacks the last ones.
      {"conversion, member 1 cut to 500 bytes inside its first sector, -r", "set.pdi01", 500,
       "(set.pdi01)(set.pdi02)set.pdi03: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0);
    MadeSet set = split_layout(dir.path);
    std::set<size_t> removed;
    if (c.cut_to < 0) {
      ASSERT_EQ(unlink((dir / c.member).c_str()), 0);
      removed.insert(2);
    } else {
      ASSERT_EQ(truncate((dir / c.member).c_str(), c.cut_to), 0);
      set.member_sizes[1] = static_cast<uint64_t>(c.cut_to);
    }
    const int64_t sectors = expect_conversion(set).sectors;
    const std::string stream = c.cut_to < 0 ? "" : joined_members(set);
    RunResult r = run_quarnex(dir.path, {"-r", "-i", "whole", "-d", "out", "set"});
    SCOPED_TRACE(c.fault);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err_after_echo, kBannerLines + std::string("cowardly clearing delete source flag\nwriting out/whole.iso (") +
                                    std::to_string(sectors) + " extents) " + c.said + kPrompt);
    EXPECT_EQ(members_left(set), (std::vector<bool>{true, true, c.cut_to >= 0}));
    const std::vector<FileRun> runs = {{"out/whole.iso", 0, static_cast<uint64_t>(sectors) * kSectorSize}};
    LossReport loss = c.cut_to < 0 ? losses(set, runs, removed) : losses_in(set, stream, runs);
    EXPECT_EQ(loss.lost, 0) << loss.detail;
    EXPECT_EQ(loss.wrong, 0) << loss.detail;
    record_result("Broken continuation member", c.fault, 1, message_of(r.err_after_echo), loss.lost, r.status < 0, 0);
    std::swap(dir.path, fresh.path);
  }
}

// What the system says when the program opens, measures and reads a
// directory as it does a member (it differs between file systems).
std::string directory_member_message(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return "set.pdi01: " + std::string(strerror(errno));
  off_t end = lseek(fd, 0, SEEK_END);
  std::string message;
  if (end < 0) message = "(set.pdi01)set.pdi01: " + std::string(strerror(errno));
  else if (end / 2048 >= INT32_MAX) message = "(set.pdi01)set.pdi01: " + std::string(strerror(EFBIG));
  else {
    char buffer[1048];
    lseek(fd, 0, SEEK_SET);
    ssize_t n = read(fd, buffer, sizeof buffer);
    message = "(set.pdi01)reading partial extent, second part: " +
              std::string(n < 0 ? strerror(errno) : "unexpected end of file");
  }
  close(fd);
  return message;
}

TEST_F(MemberFaults, DirectoryInPlaceOfAMember) {
  MadeSet set = split_layout(dir.path);
  ASSERT_EQ(unlink((dir / "set.pdi01").c_str()), 0);
  ASSERT_EQ(mkdir((dir / "set.pdi01").c_str(), 0777), 0);
  // Refused when it is opened, or else whatever the file system says to the
  // program's measuring and reading it.
  std::string refused = "set.pdi01: Is a directory";
  std::string said = directory_member_message(dir / "set.pdi01");
  RunResult r = run_quarnex(dir.path, {"-r", "-d", "out", "set"});
  std::string tail = r.err_after_echo.find(refused) != std::string::npos ? refused : said;
  // The set reader stops at member 1 too: the set lacks the files' bytes.
  check("a directory in place of member 1, -r", set, r,
        "cowardly clearing delete source flag\n" + std::string(kAS) + tail + "\n", {true, true, true});
}

TEST_F(MemberFaults, MemberTheUserCannotRead) {
  std::vector<std::string> as_user = as_unprivileged_user();
  if (as_user.empty()) GTEST_SKIP() << "cannot run the program as another user here";
  ASSERT_EQ(chmod(dir.path.c_str(), 0777), 0);
  ASSERT_EQ(chmod((dir / "out").c_str(), 0777), 0);
  MadeSet set = split_layout(dir.path);
  ASSERT_EQ(chmod((dir / "set.pdi01").c_str(), 0), 0);
  RunResult r = run_quarnex_with(dir.path, {"-r", "-d", "out", "set"}, as_user);
  check("member 1 not readable by the user, -r", set, r,
        "cowardly clearing delete source flag\n" + std::string(kAS) + "set.pdi01: Permission denied\n",
        {true, true, true});
}

// The member shrinks between the program's measuring it and reading it: the
// first read of member 1 is held, the member cut to 100 sectors, then let go.
TEST_F(MemberFaults, MemberCutShortWhileItIsRead) {
  MadeSet set = boundary_layout(dir.path);
  const std::string member1 = dir / "set.pdi01";
  FileAccessGate gate(member1, [&](int n) {
    if (n == 1 && truncate(member1.c_str(), 100 * 2048) != 0) perror("truncate");
    return true;
  });
  if (!gate.active()) GTEST_SKIP() << "fanotify permission events are not available here";
  RunResult r = run_quarnex(dir.path, {"-r", "-d", "out", "set"});
  set.member_sizes[1] = 100 * 2048;
  check("member 1 cut short in the middle of a run, -r", set, r,
        "writing out/A.DAT (50 extents) \n"
        "writing out/B.DAT (300 extents) (set.pdi01)during read of extents: unexpected end of file\n",
        {false, true});
  expect_output(set, "out/B.DAT", 200, 150);
}

// Reads that the system refuses, at each place where the program reads.
TEST_F(MemberFaults, ReadsThatFail) {
  struct Case {
    const char* fault;
    bool boundary;              // boundary_layout, else split_layout
    const char* member;         // whose reads fail
    int first_failing_read;     // reads before it succeed
    std::vector<std::string> args;
    std::string progress;
    std::vector<bool> left;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"bulk read of member 1 fails, -r", true, "set.pdi01", 1, {"-r", "-d", "out", "set"},
       "writing out/A.DAT (50 extents) \n"
       "writing out/B.DAT (300 extents) (set.pdi01)during read of extents: Operation not permitted\n",
       {false, true}, {}},
      {"bulk read of member 0 fails, -r", true, "set.pdi", 2, {"-r", "-d", "out", "set"},
       "writing out/A.DAT (50 extents) during read of extents: Operation not permitted\n", {true, true}, {}},
      // Read 1 of member 0 is the directory; read 2 the tail of sector 250.
      {"read of the split sector's first part fails, -r", false, "set.pdi", 2,
       {"-r", "-d", "out", "set", "S.DAT;1"},
       "writing out/S.DAT (20 extents) reading partial extent, first part: Operation not permitted\n",
       {true, true, true}, {"S.DAT;1"}},
      {"read of the split sector's second part fails, -r", false, "set.pdi01", 1, {"-r", "-d", "out", "set"},
       std::string(kAS) + "(set.pdi01)reading partial extent, second part: Operation not permitted\n",
       {true, true, true}, {}},
      {"read of the directory fails", false, "set.pdi", 1, {"-r", "-d", "out", "set"},
       "during read of directory: Operation not permitted\n", {true, true, true}, {}},
  };
  for (const Case& c : cases) {
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0);
    MadeSet set = c.boundary ? boundary_layout(dir.path) : split_layout(dir.path);
    RunResult r;
    {
      FileAccessGate gate(dir / c.member, [&](int n) { return n < c.first_failing_read; });
      if (!gate.active()) {
        std::swap(dir.path, fresh.path);
        GTEST_SKIP() << "fanotify permission events are not available here";
      }
      r = run_quarnex(dir.path, c.args);
    }
    check(c.fault, set, r, c.progress, c.left, c.names);
    std::swap(dir.path, fresh.path);
  }
}

}  // namespace
