// -r and -x runs killed with SIGKILL at random moments, many times. After
// each kill: the members left are unchanged, every output holds the first
// bytes of its file, and every byte of a selected file that lived in a
// member now gone is in that file's output. So the members left and the
// outputs together hold the whole of every selected file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>

#include <sys/wait.h>

#include <chrono>
#include <random>

#include "async_run.h"
#include "layouts.h"

namespace {

using Clock = std::chrono::steady_clock;

// A DVD-like set of 3 to 8 files with gaps, of lengths with every kind of
// partial last sector, cut into 2 to 7 members: some cuts on sector
// boundaries, some inside sectors, some inside a file's partial last sector
// (its last byte before the cut, or its last bytes on both sides), some
// followed by a member of 1,000 bytes inside the same sector and an empty one.
MadeSet random_set(std::mt19937_64& rng, const std::string& folder) {
  pdi_maker::ImagePlan plan;
  plan.seed = static_cast<uint32_t>(rng());
  uint32_t next = 80 + static_cast<uint32_t>(rng() % 10);
  int files = 3 + static_cast<int>(rng() % 6);
  std::vector<uint64_t> file_ends;  // stream positions
  for (int i = 0; i < files; ++i) {
    pdi_maker::FilePlan f;
    f.identifier = "VTS_01_" + std::to_string(i) + ".VOB;1";
    f.size = rng() % 6 == 0 ? rng() % 3000 : 50000 + rng() % 450000;
    if (rng() % 4 == 0) f.size = f.size / kSectorSize * kSectorSize + (rng() % 2 ? 1 : kSectorSize - 1);
    f.first_sector = next;
    next += static_cast<uint32_t>((f.size + kSectorSize - 1) / kSectorSize + rng() % 4);
    if (f.size % kSectorSize != 0) file_ends.push_back(kSetHeaderSize + uint64_t{f.first_sector} * kSectorSize + f.size);
    plan.files.push_back(f);
  }
  uint64_t total = kSetHeaderSize + static_cast<uint64_t>(next) * kSectorSize;
  std::vector<uint64_t> cuts;
  uint64_t used = 0;
  int members = 2 + static_cast<int>(rng() % 6);
  for (int m = 1; m < members; ++m) {
    uint64_t cut = (total - 200000) / members;
    cut += rng() % 3 == 0 ? (kSectorSize - (used + cut - kSetHeaderSize) % kSectorSize) % kSectorSize
                          : rng() % kSectorSize;  // boundary or inside
    if (!file_ends.empty() && rng() % 2 == 0) {
      // Inside the partial last sector of a file that ends beyond this
      // member's start: at or after its last byte, or before it.
      uint64_t end = file_ends[rng() % file_ends.size()];
      uint64_t last_sector = end - 1 - (end - 1 - kSetHeaderSize) % kSectorSize;
      uint64_t at = rng() % 2 ? end + rng() % (last_sector + kSectorSize - end + 1)
                              : last_sector + 1 + rng() % (end - last_sector - 1 + 1);
      if (at > used + 4096) cut = at - used;
    }
    if (used + cut + 4096 >= total) break;
    cuts.push_back(cut);
    used += cut;
    // Now and then a member of 1,000 bytes inside the sector this one ends
    // in, and an empty member: that sector lies in three members or more.
    const uint64_t into = (used - kSetHeaderSize) % kSectorSize;
    if (rng() % 4 == 0 && into != 0 && into + 1000 < kSectorSize && used + 1000 + 4096 < total) {
      cuts.insert(cuts.end(), {1000, 0});
      used += 1000;
    }
  }
  return make_set(plan, folder, "movie.pdi", cuts);
}

// Waits until member 0 is gone or the run has ended (without collecting it),
// at most limit seconds. True when the member went first.
bool first_member_deleted(const StartedRun& run, const std::string& member, double limit) {
  auto start = Clock::now();
  struct stat st;
  while (std::chrono::duration<double>(Clock::now() - start).count() < limit) {
    if (lstat(member.c_str(), &st) != 0) return true;
    siginfo_t info = {};
    if (waitid(P_PID, static_cast<id_t>(run.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0)
      return false;
    timespec pause = {0, 100000};
    nanosleep(&pause, nullptr);
  }
  return false;
}

void sleep_for(double seconds) {
  timespec pause = {static_cast<time_t>(seconds), static_cast<long>((seconds - static_cast<time_t>(seconds)) * 1e9)};
  nanosleep(&pause, nullptr);
}

TEST(InterruptedRun, KilledAtRandomMomentsLosesNothing) {
  const int kKills = 300;
  const auto kBudget = std::chrono::seconds(40);
  std::mt19937_64 rng(424242);
  auto start = Clock::now();
  int kills = 0, finished = 0, runs = 0, with_members_gone = 0;
  int64_t lost = 0, wrong = 0, changed = 0;
  // How long a whole run takes is measured on runs that are never killed
  // (every eighth round); the runs that happen to end before their kill
  // are only the shorter ones and would pull the estimate down.
  double typical = 0.01, measured_time = 0;
  int measured = 0;
  while (kills < kKills && Clock::now() - start < kBudget) {
    ScratchDir dir;
    MadeSet set = random_set(rng, dir.path);
    // -r over everything, -r over a few files, -x, -r conversion.
    std::vector<std::string> args;
    std::vector<FileRun> runs_expected;
    std::vector<pdi_maker::PlacedFile> files = table_files(set.image);
    switch (rng() % 4) {
      case 0:
        args = {"-r", "-m", "out", "movie"};
        runs_expected = runs_of(set, "out");
        break;
      case 1: {
        args = {"-r", "-m", "out", "movie"};
        std::vector<std::string> names;
        for (const pdi_maker::PlacedFile& f : files)
          if (rng() % 2) names.push_back(f.identifier);
        if (names.empty()) names.push_back(files.back().identifier);
        args.insert(args.end(), names.begin(), names.end());
        runs_expected = runs_of(set, "out", names);
        break;
      }
      case 2:
        args = {"-x", "movie"};
        runs_expected = runs_of(set, "movie/VIDEO_TS");
        break;
      default: {
        args = {"-r", "-i", "whole", "movie"};
        runs_expected = {{"whole.iso", 0, static_cast<uint64_t>(conversion_sectors(set)) * kSectorSize}};
      }
    }
    // Kills fall anywhere in the first 90% of a typical run, or, every other
    // round, some time after the first member was deleted: so that many
    // kills find members gone however fast or slow the machine is today.
    const bool measure = runs % 8 == 0;
    const bool after_deletion = !measure && rng() % 2 == 0;
    double delay = std::uniform_real_distribution<double>(0, (after_deletion ? 0.5 : 0.9) * typical)(rng);
    auto begun = Clock::now();
    StartedRun started = start_quarnex(dir.path, args);
    ASSERT_GT(started.pid, 0);
    if (!measure) {
      if (after_deletion) first_member_deleted(started, dir / "movie.pdi", 10 * typical + 5);
      sleep_for(delay);
      kill(started.pid, SIGKILL);
    }
    int signal = 0;
    RunResult r = finish_quarnex(started, &signal);
    ++runs;
    if (signal == SIGKILL) {
      ++kills;
    } else {
      ++finished;
      EXPECT_EQ(r.status, 0) << r.err;
    }
    if (measure) {
      measured_time += std::chrono::duration<double>(Clock::now() - begun).count();
      typical = measured_time / ++measured;
    }
    LossReport loss = losses(set, runs_expected);
    std::vector<bool> left = members_left(set);
    if (signal == SIGKILL) with_members_gone += std::find(left.begin(), left.end(), false) != left.end();
    // Members are deleted in order: the ones gone come first.
    EXPECT_TRUE(std::is_sorted(left.begin(), left.end())) << "round " << runs;
    EXPECT_EQ(loss.lost, 0) << "round " << runs << " " << loss.detail;
    EXPECT_EQ(loss.wrong, 0) << "round " << runs << " " << loss.detail;
    EXPECT_EQ(loss.changed_members, 0) << "round " << runs << " " << loss.detail;
    lost += loss.lost;
    wrong += loss.wrong;
    changed += loss.changed_members;
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_GE(kills, 20) << "too few runs were killed before they ended";
  EXPECT_GT(with_members_gone, kills / 10) << "too few kills came after a member was deleted";
  record_result("Interrupted run (SIGKILL)",
                "-r, -r with file words, -x and -r -i runs killed at random moments; " +
                    std::to_string(with_members_gone) + " of the killed runs had deleted members",
                runs,
                std::to_string(kills) + " killed, " + std::to_string(finished) +
                    " finished first; bad output bytes " + std::to_string(wrong) + ", members changed " +
                    std::to_string(changed),
                lost, 0, 0);
}

}  // namespace
