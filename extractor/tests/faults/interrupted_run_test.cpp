// -r and -x runs killed with SIGKILL at random moments, many times. After
// each kill: the members left are unchanged, every output holds the first
// bytes of its file, and every byte of a selected file that lived in a
// member now gone is in that file's output. So the members left and the
// outputs together hold the whole of every selected file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>

#include <chrono>
#include <random>

#include "async_run.h"
#include "layouts.h"

namespace {

using Clock = std::chrono::steady_clock;

// A DVD-like set of 3 to 8 files with gaps, cut into 2 to 7 members, some
// cuts on sector boundaries and some inside sectors.
MadeSet random_set(std::mt19937_64& rng, const std::string& folder) {
  pdi_maker::ImagePlan plan;
  plan.seed = static_cast<uint32_t>(rng());
  uint32_t next = 80 + static_cast<uint32_t>(rng() % 10);
  int files = 3 + static_cast<int>(rng() % 6);
  for (int i = 0; i < files; ++i) {
    pdi_maker::FilePlan f;
    f.identifier = "VTS_01_" + std::to_string(i) + ".VOB;1";
    f.size = rng() % 6 == 0 ? rng() % 3000 : 50000 + rng() % 450000;
    f.first_sector = next;
    next += static_cast<uint32_t>((f.size + kSectorSize - 1) / kSectorSize + rng() % 4);
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
    const uint64_t past_directory = pdiset::kDirectoryOffset + pdiset::kDirectoryReadSize;
    if (m == 1 && cut < past_directory) cut = past_directory;
    if (used + cut + 4096 >= total) break;
    cuts.push_back(cut);
    used += cut;
  }
  return make_set(plan, folder, "movie.pdi", cuts);
}

TEST(InterruptedRun, KilledAtRandomMomentsLosesNothing) {
  const int kKills = 300;
  const auto kBudget = std::chrono::seconds(40);
  std::mt19937_64 rng(424242);
  auto start = Clock::now();
  int kills = 0, finished = 0, runs = 0, with_members_gone = 0;
  int64_t lost = 0, wrong = 0, changed = 0;
  // Kills fall anywhere in the first 90% of a typical run: the average time
  // of the runs seen to finish.
  double typical = 0.01, total_time = 0;
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
    double delay = std::uniform_real_distribution<double>(0, 0.9 * typical)(rng);
    auto begun = Clock::now();
    StartedRun started = start_quarnex(dir.path, args);
    ASSERT_GT(started.pid, 0);
    timespec pause = {static_cast<time_t>(delay), static_cast<long>((delay - static_cast<time_t>(delay)) * 1e9)};
    nanosleep(&pause, nullptr);
    kill(started.pid, SIGKILL);
    int signal = 0;
    RunResult r = finish_quarnex(started, &signal);
    ++runs;
    if (signal == SIGKILL) {
      ++kills;
    } else {
      ++finished;
      total_time += std::chrono::duration<double>(Clock::now() - begun).count();
      typical = total_time / finished;
      EXPECT_EQ(r.status, 0) << r.err;
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
