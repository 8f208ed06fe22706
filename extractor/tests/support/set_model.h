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
// The same for an image built already (and perhaps altered by the test).
MadeSet make_set(const pdi_maker::Image& image, const std::string& folder,
                 const std::string& set_name, const std::vector<uint64_t>& cuts);

// Member k's file name.
std::string member_name(const MadeSet& set, size_t k);

// The sectors a file's "writing" line counts: every sector that holds a
// byte of its data_length bytes (a file is written with exactly those).
int64_t extents_shown(uint64_t data_length);

// The program copies in steps of 20 MiB, with a dot after each full step
// that more bytes of the same member follow.
const int64_t kCopyStep = 20 << 20;

// One output of a run: a file, or the image of a conversion.
struct FileRun {
  std::string path;       // as the "writing" line shows it
  int64_t first_sector;
  uint64_t data_length;   // as recorded; exactly this many bytes are written
};

struct Expected {
  std::string progress;        // every "writing" line with its notes and dots
  size_t last_member = 0;      // the member the chain ends in
  bool past_the_set = false;   // a byte needed lies in no member
};

// The "writing" lines of runs written in order (sorted by first sector).
Expected expect_runs(const MadeSet& set, const std::vector<FileRun>& runs);

// What an output must hold: the image's bytes of its range.
std::string expected_output(const pdi_maker::Image& image, const FileRun& run);

// Checks that each output below folder holds exactly the image bytes of
// its file (paths as the "writing" lines show them, either separator).
void expect_outputs(const std::string& folder, const MadeSet& set, const std::vector<FileRun>& runs);

// The files of the directory that the listing shows, in directory order.
std::vector<pdi_maker::PlacedFile> listed_files(const pdi_maker::Image& image);
// The same in table order (by first sector, ties in directory order).
std::vector<pdi_maker::PlacedFile> table_files(const pdi_maker::Image& image);

// What a conversion (-i) covers. wanted: from sector 0 to the larger of the
// end of the file that starts last (its partial last sector included) and,
// when sector 16 holds a primary volume descriptor, the volume size recorded
// there. held: the whole sectors of the members in set.member_sizes.
// sectors: with a descriptor, wanted as far as held reaches, but never less
// than the end of the last file; without one, that end.
struct Conversion {
  int64_t sectors = 0;
  int64_t wanted = 0;
  int64_t held = 0;
  // Bytes of a file are missing: the run fails where it needs them.
  bool files_missing() const { return sectors > held; }
  // Only closing sectors past the last file are missing: a warning.
  bool cut_short() const { return !files_missing() && sectors < wanted; }
  // The warning line before the "writing" line ("" when not cut short).
  std::string warning() const;
};
Conversion expect_conversion(const MadeSet& set);
int64_t conversion_sectors(const MadeSet& set);

// True when the image bytes at sector begin with a directory's own "."
// record: a record of at least 34 bytes whose identifier is the single byte 0.
bool starts_with_own_record(const pdi_maker::Image& image, int64_t sector);

std::string expected_listing(const pdi_maker::Image& image);

// The image bytes of sectors [first, first + count).
std::string image_sectors(const pdi_maker::Image& image, int64_t first, int64_t count);

// The name quarnex writes a recorded identifier under (the library's rule).
std::string written_name(const std::string& identifier);
