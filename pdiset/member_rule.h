// Whether a run may delete the members of the set as it consumes them.
//
// Deleting a member is safe only when every byte that any selected file
// needs from it is written before the chain leaves it; the chain only moves
// forward. The rule lists every reason against it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "names.h"

namespace pdiset {

// Further sectors of a file recorded in several sections.
struct PlannedSection {
  int64_t first_sector = 0;
  int64_t sector_count = 0;  // every sector holding bytes of the section
  int64_t byte_length = -1;  // its data length; -1: every byte of its sectors
};

// One directory entry as a run plans to write it.
struct PlannedFile {
  std::string name;          // as recorded
  int64_t first_sector = 0;  // of its first section
  int64_t sector_count = 0;  // every sector holding bytes of its first section
  bool selected = true;
  std::vector<PlannedSection> more_sections = {};  // its other sections, in the order they are written
  int64_t byte_length = -1;  // of its first section; -1: every byte of its sectors
};

enum class KeepReason {
  kSelectionWarnings,  // a file word named nothing: the user may have meant a file left out
  kUnsafeName,         // a selected file is skipped: its bytes would be lost
  kOverlap,            // a selected file starts inside an earlier one's run
  kSectionGoesBack,    // a later section of a selected file starts before the runs written so far end
  kSharedOutputName,   // two selected files are written to one output file
  kSetCutShort,        // the set ends inside the volume: its last bytes are in no output
  kBytesMissing,       // a selected file needs bytes the members present do not hold: the run
                       // fails there, and the set must stay whole to be read again
};

struct KeepFinding {
  KeepReason reason;
  std::string name;   // the file concerned (empty for selection warnings)
  std::string other;  // the earlier file it overlaps or shares a name with
};

struct MemberDecision {
  bool may_delete = true;
  std::vector<KeepFinding> findings;  // in the order of the reasons above
};

// What the members of the set present hold, measured before a run leaves
// any of them.
struct SetHolding {
  std::optional<int64_t> image_bytes;  // the image bytes they hold; none: not judged
  bool cut_short = false;              // a conversion stops where the set ends, before the volume does
};

// files in ascending first sector. selection_warnings: file words that
// matched nothing. Unsafe names are judged by rules; overlaps, shared output
// names and bytes past the set only among selected files with safe names.
MemberDecision decide_member_deletion(const std::vector<PlannedFile>& files, int selection_warnings,
                                      NameRules rules, const SetHolding& holding = {});

}  // namespace pdiset
