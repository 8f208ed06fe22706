// Files recorded in several sections: ISO 9660 keeps a file over 4 GiB (or
// any file a mastering tool chooses to split) as consecutive directory
// records with the same identifier, each but the last with file flag 0x80
// ("not the final section").
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "directory.h"

namespace pdiset {

// The file flag that says more sections of the same file follow.
const unsigned kNotFinalSection = 0x80;

// One file as the directory records it: records [first, first + count).
struct SectionedFile {
  size_t first = 0;         // index of its first record
  size_t count = 1;         // its records, in record order: its extents in order
  int64_t length = 0;       // the sum of its sections' data lengths
  size_t final_record = 0;  // the record whose date and flags the file takes (its last)
  bool unterminated = false;  // the chain stops (the directory ends, or another
                              // name follows) while its last record still says
                              // more sections follow
};

// Groups records in directory order: a record whose flags carry 0x80 and
// the records after it with the same identifier form one file, ending with
// the first of them whose flags do not carry 0x80. Every record belongs to
// exactly one group; a record without 0x80 and no such predecessors is a
// file of one section.
std::vector<SectionedFile> join_sections(const std::vector<DirectoryRecord>& records);

}  // namespace pdiset
