// Many random sets, extracted or converted: the directory wherever the
// volume keeps it, files of every length, member cuts placed around file
// ends, sets cut short inside the volume. Every output byte, every line on
// both streams and every member left is checked against the model.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>
#include <sstream>

#include "run_program.h"
#include "set_model.h"

namespace {

using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;
using Rng = std::mt19937_64;

// Where the directory of interest lies and how it is found.
enum class Place {
  kSector69,  // at 69, beginning with its own "." record (a subdirectory of the root or not)
  kVideoTs,   // away from 69: the root's VIDEO_TS subdirectory, found through the volume descriptor
  kRootOnly,  // away from 69: the root itself, found through the volume descriptor
  kRootAt69,  // the root itself lies at 69
};
const char* const kPlaceNames[] = {"sector 69", "VIDEO_TS", "root", "root at 69"};

// A length of any remainder modulo 2048, the edges most often.
uint64_t random_length(Rng& rng) {
  static const uint64_t kTails[] = {0, 1, 2, 1023, 1024, 2046, 2047};
  uint64_t whole;
  switch (rng() % 4) {
    case 0: whole = 0; break;
    case 1: whole = 1; break;
    default: whole = rng() % 120;
  }
  uint64_t tail = rng() % 2 ? kTails[rng() % 7] : rng() % kSectorSize;
  return whole * kSectorSize + tail;
}

uint32_t sectors_of(uint64_t length) { return static_cast<uint32_t>((length + kSectorSize - 1) / kSectorSize); }

std::string random_case(Rng& rng, const std::string& word) {
  std::string s = word;
  for (char& c : s)
    if (rng() % 2) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

struct Round {
  pdi_maker::ImagePlan plan;
  Place place = Place::kSector69;
  bool conversion = false;
  bool remove = false;
  int drop_members = 0;           // trailing members taken away
  std::vector<uint64_t> cuts;     // member sizes but the last
  std::string summary;            // for failure messages
};

// Builds the plan of one round. The data lies after the metadata; with the
// directory away from 69 a file may cover sector 69.
pdi_maker::ImagePlan random_plan(Rng& rng, Place place, bool conversion, bool* big_directory) {
  pdi_maker::ImagePlan plan;
  plan.seed = static_cast<uint32_t>(rng());
  plan.with_subdirectory = rng() % 2 == 0;
  plan.in_subdirectory = place == Place::kVideoTs || (place == Place::kSector69 && rng() % 2);
  if (place == Place::kVideoTs) plan.subdirectory_name = random_case(rng, "VIDEO_TS");
  // Without a descriptor only the directory at 69 is found.
  bool at69 = place == Place::kSector69 || place == Place::kRootAt69;
  plan.with_volume_descriptor = !at69 || rng() % 3 != 0;
  uint32_t low_start = place == Place::kVideoTs ? 21 : 20;
  // Away from 69 the directory (up to 17 sectors, then SUBDIR and its file)
  // lies wholly below it or above it.
  bool below = rng() % 3 == 0;
  plan.directory_sector = at69 ? 69 : below ? low_start + static_cast<uint32_t>(rng() % 20)
                                            : 70 + static_cast<uint32_t>(rng() % 250);

  // Hidden records of long names grow the directory past ten sectors, with
  // the listed files among them.
  *big_directory = rng() % 3 == 0;
  if (*big_directory) {
    int fillers = 90 + static_cast<int>(rng() % 30);
    for (int i = 0; i < fillers; ++i) {
      pdi_maker::FilePlan h;
      h.identifier = "H" + std::to_string(i) + "_" + std::string(190, 'X') + ".DAT;1";
      h.flags = 1;
      plan.files.push_back(h);
    }
  }
  plan.directory_sectors = *big_directory && rng() % 2 ? 20 : 1;

  std::vector<pdi_maker::FilePlan> listed;
  int count = 1 + static_cast<int>(rng() % 8);
  uint32_t next = plan.directory_sector + 24 + static_cast<uint32_t>(rng() % 8);
  if (!at69 && !below && rng() % 2) {
    // A file over sector 69, in the free sectors before the directory.
    pdi_maker::FilePlan f;
    f.first_sector = 40 + static_cast<uint32_t>(rng() % 29);
    uint32_t room = plan.directory_sector - f.first_sector;
    f.size = (69 - f.first_sector) * uint64_t{kSectorSize} + 1 +
             rng() % ((room - (69 - f.first_sector)) * uint64_t{kSectorSize} - 1);
    listed.push_back(f);
  }
  for (int i = 0; i < count; ++i) {
    pdi_maker::FilePlan f;
    f.size = random_length(rng);
    f.first_sector = next;
    // A file of no bytes shares no sector with the next one.
    next += std::max<uint32_t>(sectors_of(f.size), 1) + static_cast<uint32_t>(rng() % 3);
    listed.push_back(f);
  }
  // The image ends with the data; files of no bytes may lie past it (and
  // past the set), except in conversions without a descriptor, which would
  // need those sectors.
  plan.image_sectors = next;
  if (plan.with_volume_descriptor || !conversion) {
    std::set<uint32_t> beyond;
    for (int n = static_cast<int>(rng() % 3); n > 0; --n) beyond.insert(next + 1 + static_cast<uint32_t>(rng() % 5000));
    for (uint32_t s : beyond) {
      pdi_maker::FilePlan f;
      f.first_sector = s;
      listed.push_back(f);
    }
  }
  for (size_t i = 0; i < listed.size(); ++i) {
    listed[i].identifier = "F" + std::to_string(i) + ".DAT;1";
    plan.files.push_back(listed[i]);
  }
  std::shuffle(plan.files.begin(), plan.files.end(), rng);  // directory order
  return plan;
}

// Cut positions in the set's stream: around file ends (the last bytes in
// the first or the second part of a split sector), at file starts, on and
// next to sector boundaries, anywhere. Returns the member sizes but the last.
std::vector<uint64_t> random_cuts(Rng& rng, const pdi_maker::Image& image) {
  const uint64_t total = pdi_maker::stream_size(image);
  std::vector<pdi_maker::PlacedFile> files;
  for (const pdi_maker::PlacedFile& f : listed_files(image))
    if (f.size > 0 && uint64_t{f.first_sector} < image.sector_count) files.push_back(f);
  std::set<uint64_t> at;
  int count = static_cast<int>(rng() % 9);
  for (int i = 0; i < count; ++i) {
    uint64_t cut = 0;
    int kind = static_cast<int>(rng() % 5);
    if (files.empty() && kind < 2) kind = 4;
    if (kind == 0) {  // around a file's end
      const pdi_maker::PlacedFile& f = files[rng() % files.size()];
      uint64_t end = kSetHeaderSize + uint64_t{f.first_sector} * kSectorSize + f.size;
      uint64_t sector_start = end - 1 - (end - 1 - kSetHeaderSize) % kSectorSize;
      uint64_t sector_end = sector_start + kSectorSize;
      switch (rng() % 5) {
        case 0: cut = end; break;
        case 1: cut = end - 1; break;
        case 2: cut = end + 1; break;
        case 3: cut = end + rng() % (sector_end - end + 1); break;      // the last bytes before the cut
        default: cut = sector_start + rng() % (end - sector_start); break;  // the last bytes split
      }
    } else if (kind == 1) {  // around a file's start
      const pdi_maker::PlacedFile& f = files[rng() % files.size()];
      cut = kSetHeaderSize + uint64_t{f.first_sector} * kSectorSize + rng() % 3 - 1;
    } else if (kind == 2) {
      cut = kSetHeaderSize + (rng() % image.sector_count) * kSectorSize + rng() % 3 - 1;
    } else {
      cut = kSetHeaderSize + 1 + rng() % total;
    }
    if (cut > kSetHeaderSize && cut < total) at.insert(cut);
  }
  // Now and then a member of 1,000 bytes inside one sector (the sector then
  // lies in three members or more) and an empty member.
  std::multiset<uint64_t> cuts(at.begin(), at.end());
  if (rng() % 3 == 0) {
    uint64_t sector_start = kSetHeaderSize + (rng() % image.sector_count) * kSectorSize;
    uint64_t c = sector_start + 1 + rng() % (kSectorSize - 1000 - 1);
    if (c + 1000 < total) cuts.insert({c, c + 1000});
  }
  if (!cuts.empty() && rng() % 3 == 0) {
    auto c = cuts.begin();
    std::advance(c, rng() % cuts.size());
    cuts.insert(*c);
  }
  std::vector<uint64_t> sizes;
  uint64_t previous = 0;
  for (uint64_t c : cuts) {
    sizes.push_back(c - previous);
    previous = c;
  }
  return sizes;
}

// Whether the members hold a member shorter than a sector that a sector
// lies across, and an empty member.
void odd_members(const std::vector<uint64_t>& sizes, bool* short_member, bool* empty_member) {
  uint64_t at = 0;
  for (size_t k = 0; k < sizes.size(); ++k) {
    uint64_t into = at > kSetHeaderSize ? (at - kSetHeaderSize) % kSectorSize : 0;
    if (k > 0 && sizes[k] == 0) *empty_member = true;
    if (k > 0 && sizes[k] > 0 && into != 0 && into + sizes[k] < kSectorSize) *short_member = true;
    at += sizes[k];
  }
}

std::string describe(const Round& r, const pdi_maker::Image& image) {
  std::ostringstream s;
  s << kPlaceNames[static_cast<int>(r.place)] << ", directory at " << image.directory_sector << " ("
    << image.directory_sectors << " sectors), " << (r.plan.with_volume_descriptor ? "volume " : "no descriptor")
    << (r.plan.with_volume_descriptor ? std::to_string(r.plan.volume_sectors) : "") << ", image "
    << image.sector_count << " sectors; files:";
  for (const pdi_maker::PlacedFile& f : table_files(image)) s << " " << f.first_sector << "+" << f.size;
  s << "; members:";
  for (uint64_t c : r.cuts) s << " " << c;
  s << (r.conversion ? "; conversion" : "; extraction") << (r.remove ? " -r" : "");
  if (r.drop_members) s << ", last " << r.drop_members << " member(s) taken away";
  return s.str();
}

// Counts the files whose partial last sector is split between two members:
// those whose last byte lies before the cut, and those whose bytes lie on
// both sides of it.
void split_sector_ends(const MadeSet& set, int* first_part, int* split) {
  std::vector<uint64_t> cuts;
  uint64_t at = 0;
  for (uint64_t size : set.member_sizes) cuts.push_back(at += size);
  for (const pdi_maker::PlacedFile& f : listed_files(set.image)) {
    if (f.size % kSectorSize == 0) continue;
    uint64_t start = kSetHeaderSize + uint64_t{f.first_sector} * kSectorSize + f.size / kSectorSize * kSectorSize;
    uint64_t end = start + f.size % kSectorSize;
    for (uint64_t c : cuts) {
      if (c <= start || c >= start + kSectorSize) continue;
      *(end <= c ? first_part : split) += 1;
    }
  }
}

class RandomSets : public ::testing::Test {
 protected:
  ScratchDir dir;

  void expect_outputs(const MadeSet& set, const std::vector<FileRun>& runs) {
    ::expect_outputs(dir.path, set, runs);
  }
};

TEST_F(RandomSets, ComeOutByteExact) {
  const char* rounds_env = getenv("QUARNEX_PROPERTY_ROUNDS");
  int rounds = rounds_env ? atoi(rounds_env) : 150;
  const char sep = program_separator();
  Rng rng(20261207);
  int cut_short = 0, over69 = 0, big = 0, end_in_first_part = 0, end_split = 0, lacking = 0;
  bool short_member = false, empty_member = false;
  for (int round = 0; round < rounds; ++round) {
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    // The first rounds go through every place, and conversions, so that
    // even a few rounds (under Wine) see each.
    Round r;
    r.place = static_cast<Place>(round % 4);
    r.conversion = round % 3 == 2;
    r.remove = rng() % 2 == 0;
    bool big_directory = false;
    r.plan = random_plan(rng, r.place, r.conversion, &big_directory);
    pdi_maker::Image image = pdi_maker::build_image(r.plan);
    // A file's bytes at 69 must not look like a directory's own record, or
    // that would be the directory found.
    while (image.directory_sector != 69 && starts_with_own_record(image, 69)) {
      ++r.plan.seed;
      image = pdi_maker::build_image(r.plan);
    }
    if (r.conversion && r.plan.with_volume_descriptor) {
      switch (rng() % 4) {
        case 0: r.plan.volume_sectors = static_cast<int64_t>(rng() % image.sector_count); break;  // short of the data
        case 1: r.plan.volume_sectors = static_cast<int64_t>(image.sector_count + 1 + rng() % 300); break;
        default: break;  // the image's own size
      }
      image = pdi_maker::build_image(r.plan);
    }
    r.cuts = random_cuts(rng, image);
    odd_members(r.cuts, &short_member, &empty_member);
    // Trailing members go, as long as the directory stays in the set; in a
    // conversion the sectors of the file that starts last stay too (the
    // runs that lack them are Conversion.*), an extraction may lack them.
    if (((r.conversion && r.plan.with_volume_descriptor) || (!r.conversion && rng() % 2 == 0)) &&
        !r.cuts.empty() && rng() % 3 == 0) {
      uint64_t needed_end =
          kSetHeaderSize + (uint64_t{image.directory_sector} + image.directory_sectors) * kSectorSize;
      const std::vector<pdi_maker::PlacedFile> files = table_files(image);
      if (r.conversion && !files.empty())
        needed_end = std::max<uint64_t>(
            needed_end, kSetHeaderSize + (files.back().first_sector + static_cast<uint64_t>(extents_shown(files.back().size))) * kSectorSize);
      uint64_t kept = 0;  // what stays when the last member goes
      for (uint64_t c : r.cuts) kept += c;
      int most = 1 + static_cast<int>(rng() % 2);
      for (size_t k = r.cuts.size(); r.drop_members < most && kept >= needed_end;) {
        ++r.drop_members;
        if (--k == 0) break;
        kept -= r.cuts[k];
      }
    }
    r.summary = describe(r, image);
    SCOPED_TRACE("round " + std::to_string(round) + ": " + r.summary);

    MadeSet set = make_set(image, dir.path, "set.pdi", r.cuts);
    for (int k = 0; k < r.drop_members; ++k) {
      ASSERT_EQ(unlink((dir / member_name(set, set.member_sizes.size() - 1)).c_str()), 0);
      set.member_sizes.pop_back();
    }

    std::vector<std::string> args;
    std::vector<FileRun> runs;
    std::string warning, failure;
    bool kept = false;  // every member stays
    // How the run ends at the first member taken away.
    const std::string missing =
        member_name(set, set.member_sizes.size()) + ": No such file or directory\n\n\aHit <RETURN> to continue\n";
    if (r.conversion) {
      Conversion c = expect_conversion(set);
      args = {"-i", "image", "set"};
      runs.push_back({"image.iso", 0, static_cast<uint64_t>(c.sectors) * kSectorSize});
      warning = c.warning();
      cut_short += c.cut_short();
      // A set cut short keeps every member: the bytes past its whole
      // sectors are in no output. An empty file recorded past the set's end
      // still makes the image reach it: the run fails at the missing member.
      kept = c.cut_short() || c.files_missing();
      if (kept && r.remove) warning += "cowardly clearing delete source flag\n";
      if (c.files_missing())
        failure = missing;
    } else {
      args = {"-m", "o", "set"};
      for (const pdi_maker::PlacedFile& f : table_files(set.image))
        runs.push_back({std::string("o") + sep + written_name(f.identifier), f.first_sector, f.size});
    }
    if (r.remove) args.insert(args.begin(), "-r");
    Expected e = expect_runs(set, runs);
    if (!r.conversion && e.past_the_set) {
      // The files need bytes of a member taken away: every member stays,
      // and the run ends where it needs the first of them.
      kept = true;
      ++lacking;
      if (r.remove) warning += "cowardly clearing delete source flag\n";
      failure = missing;
    }
    ASSERT_EQ(e.past_the_set, !failure.empty()) << "the round needs bytes the set does not hold";
    over69 += image.directory_sector != 69 && image_sectors(image, 69, 1) != std::string(kSectorSize, '\0');
    big += image.directory_sectors > 10;
    if (!r.conversion) {
      int first_part = 0, split = 0;
      split_sector_ends(set, &first_part, &split);
      end_in_first_part += first_part;
      end_split += split;
    }

    RunResult result = run_quarnex(dir.path, args);
    ASSERT_EQ(result.status, failure.empty() ? 0 : 1) << result.err;
    EXPECT_EQ(result.out, expected_listing(set.image));
    EXPECT_EQ(result.err, echo_and_banner(result.word0, args) + warning + e.progress + failure);
    if (failure.empty()) expect_outputs(set, runs);
    else if (!r.conversion)  // the files before the one that needs a missing byte
      expect_outputs(set, std::vector<FileRun>(runs.begin(), runs.begin() + std::count(e.progress.begin(),
                                                                                       e.progress.end(), '\n')));
    for (size_t k = 0; k < set.member_sizes.size(); ++k) {
      bool gone = r.remove && !kept && k <= e.last_member;
      EXPECT_EQ(exists(dir / member_name(set, k)), !gone) << member_name(set, k);
    }
    std::swap(dir.path, fresh.path);
    if (HasFailure()) break;
  }
  // The rounds did reach the cases they are for.
  if (rounds >= 40) {
    EXPECT_GT(cut_short, 0);
    EXPECT_GT(over69, 0);
    EXPECT_GT(big, 0);
    EXPECT_GT(end_in_first_part, 0);
    EXPECT_GT(end_split, 0);
    EXPECT_GT(lacking, 0);
    EXPECT_TRUE(short_member);
    EXPECT_TRUE(empty_member);
  }
}

}  // namespace
