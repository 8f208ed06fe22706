// Reads of mounted files through the image-set reader, guarded against
// members that were removed, replaced or cut short after mounting: such a
// member's bytes read as an error (never as other bytes), the first time
// with one line on the notes stream, and everything else still reads.
//
// Safe to use from several threads at once; a read allocates nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "mount_tree.h"
#include "pdiset/image_set.h"

namespace quarnex_mount {

class GuardedReader {
 public:
  // check_interval_ms: how long a member found in place is trusted before a
  // read looks at it again.
  GuardedReader(const pdiset::ImageSet& set, FILE* notes, int64_t check_interval_ms);

  // Reads up to count bytes of entry at offset into buffer: the bytes read
  // (0 at or past its end), or -EIO when any of them cannot be read as the
  // set held them when it was mounted.
  int64_t read(const MountEntry& entry, int64_t offset, void* buffer, int64_t count);

  // Looks at every member holding bytes of entry now; true when all are in
  // place and none has ever been found missing (its cached pages may stay).
  bool check_entry(const MountEntry& entry);

  // How many members have been found missing so far.
  int missing_members() const;

 private:
  // Checks members [first, last) whose last check is older than the
  // interval (all of them when force); false when any is missing.
  bool members_in_place(size_t first, size_t last, bool force);
  void mark_missing(size_t index, const pdiset::Failure* failure);

  const pdiset::ImageSet& set_;
  FILE* notes_;
  int64_t interval_ms_;
  struct MemberState {
    std::atomic<int64_t> next_check_ms{0};
    std::atomic<bool> missing{false};
  };
  std::unique_ptr<MemberState[]> states_;
  std::atomic<int> missing_count_{0};
};

}  // namespace quarnex_mount
