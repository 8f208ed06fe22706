// What a run over a made image set must produce, worked out from the set's
// byte stream alone: which member holds which bytes of the image.
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

// A run of whole sectors as the program copies it.
struct SectorRun {
  std::string path;       // as the "writing" line shows it
  int64_t first_sector;
  int64_t sector_count;
};

struct Expected {
  std::string progress;        // every "writing" line with its notes and dots
  size_t last_member = 0;      // the member the chain ends in
};

// The "writing" lines of runs copied in order (sorted by first sector).
Expected expect_runs(const MadeSet& set, const std::vector<SectorRun>& runs);

// The files of the directory that the listing shows, in directory order.
std::vector<pdi_maker::PlacedFile> listed_files(const pdi_maker::Image& image);
// The same in table order (by first sector, ties in directory order).
std::vector<pdi_maker::PlacedFile> table_files(const pdi_maker::Image& image);

std::string expected_listing(const pdi_maker::Image& image);

// The image bytes of sectors [first, first + count).
std::string image_sectors(const pdi_maker::Image& image, int64_t first, int64_t count);

// The identifier less ";N" and a bare final ".".
std::string written_name(const std::string& identifier);
