// Rock Ridge (SUSP and RRIP 1.09 to 1.12): what a directory record's system
// use entries and their continuation areas say about it.
//
// Bounds against hostile discs:
//   - a record's continuation (CE) chain: at most kMaxContinuations links,
//     each area at most kMaxContinuationBytes, wholly inside the volume, and
//     no area visited twice; a chain that breaks a bound ends there;
//   - a name (NM) and a link target (SL): at most kMaxRockRidgeText bytes;
//     longer ones are cut there and marked too_long.
// Entries shorter than 4 bytes or running past their area end that area;
// unknown entries are skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disc_tree.h"
#include "failure.h"
#include "image_source.h"

namespace pdiset {

const int kMaxContinuations = 32;
const int64_t kMaxContinuationBytes = 64 * 1024;
const size_t kMaxRockRidgeText = 4096;

struct RockRidge {
  bool has_name = false;
  std::string name;                    // NM pieces joined
  std::optional<uint32_t> mode;        // PX file mode (type bits and permissions)
  std::optional<int64_t> mtime;        // TF modification time, seconds since 1970 UTC
  bool is_link = false;                // SL seen
  std::string link_target;             // SL components joined with "/"
  bool relocated = false;              // RE: shown where its CL points, not here
  std::optional<uint32_t> child_link;  // CL: the relocated folder's extent
  bool too_long = false;               // a name or target was cut at the bound
  std::optional<ZisofsFormat> zisofs;  // ZF with algorithm "pz": the file is zisofs-compressed
};

// The skip length a disc announces with the SP entry at the start of its
// root's "." record (or 14 bytes in, after CD-XA data): the bytes to skip at
// the start of every record's system use bytes. Nothing when there is no SP
// entry, that is no Rock Ridge.
std::optional<unsigned> rock_ridge_skip(const std::string& root_system_use);

// Reads the entries of one record's system use bytes (past the skip) and of
// the continuation areas they chain to, within a volume of volume_sectors.
// Only an image read that fails is a failure.
std::optional<Failure> read_rock_ridge(const ImageSource& image, int64_t volume_sectors,
                                       const std::string& system_use, unsigned skip, RockRidge* out);

}  // namespace pdiset
