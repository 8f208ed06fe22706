// What a run over a made image set must produce, worked out from the image's
// bytes and the member boundaries alone: an output holds the image bytes of
// its file's range; a member is noted when the first byte needed from it is
// read; the dots count the full copy steps inside each member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdi_maker.h"

struct MadeSet {
  pdi_maker::Image image;
  std::string folder;                   // where the members lie
  std::string set_name;                 // e.g. "movie.pdi"
  std::vector<uint64_t> member_sizes;   // every member, the last included
};

// Builds the image, writes the set cut at cuts (the last member takes the
// rest) and records the member sizes. Fails the test on error.
MadeSet make_set(const pdi_maker::ImagePlan& plan, const std::string& folder,
                 const std::string& set_name, const std::vector<uint64_t>& cuts);

// Member k's file name.
std::string member_name(const MadeSet& set, size_t k);

// How many bytes of a file the program writes.
enum class LengthRule {
  kWholeSectors,  // data_length / 2048 whole sectors; a partial last sector is left out
  kExactLength,   // data_length bytes, the partial last sector's bytes included
};
// The rule of the program under test: the one place to change it.
const LengthRule kProgramLengthRule = LengthRule::kExactLength;

// The bytes written for a file of data_length bytes.
uint64_t output_length(uint64_t data_length, LengthRule rule = kProgramLengthRule);
// The sectors its "writing" line counts: the sectors that hold written bytes.
int64_t extents_shown(uint64_t data_length, LengthRule rule = kProgramLengthRule);

// The program copies in steps of 20 MiB, with a dot after each full step
// that more bytes of the same member follow.
const int64_t kCopyStep = 20 << 20;

// One output of a run: a file, or the image of a conversion.
struct FileRun {
  std::string path;       // as the "writing" line shows it
  int64_t first_sector;
  uint64_t data_length;   // as recorded; output_length() of it is written
};

struct Expected {
  std::string progress;        // every "writing" line with its notes and dots
  size_t last_member = 0;      // the member the chain ends in
  bool past_the_set = false;   // a byte needed lies in no member
};

// The "writing" lines of runs written in order (sorted by first sector).
Expected expect_runs(const MadeSet& set, const std::vector<FileRun>& runs,
                     LengthRule rule = kProgramLengthRule);

// What an output must hold: the image's bytes of its range.
std::string expected_output(const pdi_maker::Image& image, const FileRun& run,
                            LengthRule rule = kProgramLengthRule);

// The files of the directory that the listing shows, in directory order.
std::vector<pdi_maker::PlacedFile> listed_files(const pdi_maker::Image& image);
// The same in table order (by first sector, ties in directory order).
std::vector<pdi_maker::PlacedFile> table_files(const pdi_maker::Image& image);

// The sectors a conversion writes: from sector 0 to the end of the file that
// starts last (its sectors as extents_shown counts them); by the exact rule
// at least the volume size of the primary volume descriptor, at most the
// whole sectors the set holds.
int64_t conversion_sectors(const MadeSet& set, LengthRule rule = kProgramLengthRule);

std::string expected_listing(const pdi_maker::Image& image);

// The image bytes of sectors [first, first + count).
std::string image_sectors(const pdi_maker::Image& image, int64_t first, int64_t count);

// The identifier less ";N" and a bare final ".".
std::string written_name(const std::string& identifier);
