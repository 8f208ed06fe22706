// Members that -r cannot delete: each failure prints the member's name and
// the system's text, the run goes on, every file is written whole, and the
// run ends with status 0.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "async_run.h"
#include "layouts.h"

namespace {

void check_complete_run(const MadeSet& set, const RunResult& r, const std::string& progress,
                        const std::vector<bool>& left, const char* fault, const std::string& said) {
  SCOPED_TRACE(fault);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err_after_echo, kBannerLines + progress);
  EXPECT_EQ(members_left(set), left);
  std::vector<FileRun> runs = runs_of(set, "out");
  for (const FileRun& run : runs) expect_output(set, run);
  LossReport loss = losses(set, runs);
  EXPECT_EQ(loss.lost, 0) << loss.detail;
  EXPECT_EQ(loss.changed_members, 0) << loss.detail;
  record_result("Member that cannot be deleted", fault, 1, said + ", run goes on, status " + std::to_string(r.status),
                loss.lost, r.status < 0, 0);
}

// Immutable members (chattr +i): not even root may delete them.
TEST(Undeletable, ImmutableFirstAndLastMember) {
  ScratchDir dir;
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0);
  MadeSet set = split_layout(dir.path);
  ImmutableFile first(dir / "set.pdi"), last(dir / "set.pdi02");
  if (!first.active() || !last.active()) GTEST_SKIP() << "chattr +i does not work here";
  RunResult r = run_quarnex(dir.path, {"-r", "-d", "out", "set"});
  // Member 0 is left at the split sector 250 and deleted once that sector is
  // written; member 1 ends on a sector boundary and is deleted as it is left;
  // member 2 is deleted at the end.
  check_complete_run(set, r,
                     "writing out/A.DAT (50 extents) \n"
                     "writing out/S.DAT (20 extents) (set.pdi01)set.pdi: Operation not permitted\n\n"
                     "writing out/B.DAT (200 extents) (set.pdi02)\n"
                     "writing out/C.DAT (31 extents) \n"
                     "set.pdi02: Operation not permitted\n",
                     {true, false, true}, "immutable first and last member (chattr +i), -r",
                     "set.pdi: Operation not permitted; set.pdi02: Operation not permitted");
}

// The program runs as a user who may not delete anything in the set's folder.
TEST(Undeletable, FolderTheUserCannotDeleteFrom) {
  std::vector<std::string> as_user = as_unprivileged_user();
  if (as_user.empty()) GTEST_SKIP() << "cannot run the program as another user here";
  ScratchDir dir;
  ASSERT_EQ(chmod(dir.path.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0);
  ASSERT_EQ(chmod((dir / "out").c_str(), 0777), 0);
  MadeSet set = split_layout(dir.path);
  RunResult r = run_quarnex_with(dir.path, {"-r", "-d", "out", "set"}, as_user);
  check_complete_run(set, r,
                     "writing out/A.DAT (50 extents) \n"
                     "writing out/S.DAT (20 extents) (set.pdi01)set.pdi: Permission denied\n\n"
                     "writing out/B.DAT (200 extents) set.pdi01: Permission denied\n(set.pdi02)\n"
                     "writing out/C.DAT (31 extents) \n"
                     "set.pdi02: Permission denied\n",
                     {true, true, true}, "folder the user may not delete from, -r",
                     "NAME: Permission denied, for each of the 3 members");

  // -x in the same folder: its output folder cannot be made either; both
  // levels are reported and the first output cannot be opened. Nothing is
  // deleted.
  r = run_quarnex_with(dir.path, {"-x", "set"}, as_user);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err_after_echo, std::string(kBannerLines) +
                                  "set: Permission denied\nset/VIDEO_TS: No such file or directory\n"
                                  "writing set/VIDEO_TS/A.DAT (50 extents) A.DAT;1: No such file or directory\n" +
                                  kPrompt);
  EXPECT_EQ(members_left(set), (std::vector<bool>{true, true, true}));
  record_result("Member that cannot be deleted", "-x in a folder the user may not write", 1,
                message_of(r.err_after_echo), 0, r.status < 0, 0);
}

}  // namespace
