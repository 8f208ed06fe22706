#include "guarded_reader.h"

#include <algorithm>
#include <cerrno>
#include <ctime>


namespace quarnex_mount {

namespace {

int64_t now_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
  return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

}  // namespace

GuardedReader::GuardedReader(const pdiset::ImageSet& set, FILE* notes, int64_t check_interval_ms)
    : set_(set), notes_(notes), interval_ms_(check_interval_ms),
      states_(new MemberState[set.map().count() + 1]) {}

bool GuardedReader::members_in_place(size_t first, size_t last, bool force) {
  bool all = true;
  const int64_t now = now_ms();
  for (size_t i = first; i < last; ++i) {
    MemberState& state = states_[i];
    if (state.missing.load(std::memory_order_relaxed)) {
      all = false;
      continue;
    }
    if (!force && now < state.next_check_ms.load(std::memory_order_relaxed)) continue;
    if (set_.member_unchanged(i)) {
      state.next_check_ms.store(now + interval_ms_, std::memory_order_relaxed);
    } else {
      mark_missing(i, nullptr);
      all = false;
    }
  }
  return all;
}

void GuardedReader::mark_missing(size_t index, const pdiset::Failure* failure) {
  if (index >= set_.map().count()) return;
  if (states_[index].missing.exchange(true)) return;  // noted once
  missing_count_.fetch_add(1);
  const std::string& name = set_.member_names()[index];
  if (failure && failure->error_number != 0)
    fprintf(notes_, "quarnex-mount: %s; reads of its bytes fail from now on\n", pdiset::describe(*failure).c_str());
  else
    fprintf(notes_, "quarnex-mount: %s has been removed, replaced or cut short; reads of its bytes fail from now on\n",
            name.c_str());
  fflush(notes_);
}

int64_t GuardedReader::read(const MountEntry& entry, int64_t offset, void* buffer, int64_t count) {
  if (offset < 0 || count <= 0 || offset >= entry.size) return 0;
  count = std::min(count, entry.size - offset);
  const int64_t begin = entry.image_offset + offset;
  size_t first = 0, last = 0;
  set_.map().members_holding(begin, begin + count, &first, &last);
  if (!members_in_place(first, last, false)) return -EIO;
  pdiset::ReadOutcome outcome = set_.read(begin, buffer, count);
  if (outcome.failure) {
    // The set names the member that failed; the read fails all the same.
    if (outcome.failure->member) mark_missing(*outcome.failure->member, &*outcome.failure);
    return -EIO;
  }
  // Bytes past the end of the set are not there: an error, not zeros.
  if (outcome.bytes < count) return -EIO;
  return count;
}

bool GuardedReader::check_entry(const MountEntry& entry) {
  if (entry.size <= 0) return missing_count_.load() == 0;
  size_t first = 0, last = 0;
  set_.map().members_holding(entry.image_offset, entry.image_offset + entry.size, &first, &last);
  return members_in_place(first, last, true) && missing_count_.load() == 0;
}

int GuardedReader::missing_members() const { return missing_count_.load(); }

}  // namespace quarnex_mount
