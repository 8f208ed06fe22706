#include "member_map.h"

#include <algorithm>

#include "layout.h"

namespace pdiset {

namespace {

// Sector counts of image offsets that may lie inside the header.
int64_t sectors_below(int64_t x) { return x <= 0 ? 0 : x / kSectorSize; }
int64_t sectors_reaching(int64_t x) { return x <= 0 ? 0 : (x + kSectorSize - 1) / kSectorSize; }

}  // namespace

void MemberMap::add_member(int64_t size) {
  starts_.push_back(starts_.empty() ? -int64_t{kSetHeaderSize} : image_end(count() - 1));
  sizes_.push_back(size);
}

int64_t MemberMap::image_size() const { return starts_.empty() ? 0 : std::max<int64_t>(0, image_end(count() - 1)); }

int64_t MemberMap::whole_sectors() const { return image_size() / kSectorSize; }

void MemberMap::members_holding(int64_t begin, int64_t end, size_t* first, size_t* last) const {
  auto after = [](int64_t x, int64_t start) { return x < start; };
  auto first_after = std::upper_bound(starts_.begin(), starts_.end(), begin, after);
  *first = first_after == starts_.begin() ? 0 : static_cast<size_t>(first_after - starts_.begin()) - 1;
  *last = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), end - 1, after) - starts_.begin());
  if (*last < *first) *last = *first;
}

MemberMap::SectorRun MemberMap::sectors_in(size_t k) const {
  SectorRun run;
  run.first = sectors_reaching(image_start(k));
  run.count = std::max<int64_t>(0, sectors_below(image_end(k)) - run.first);
  return run;
}

int64_t MemberMap::split_head(size_t k) const {
  int64_t end = image_end(k);
  if (end <= 0 || end % kSectorSize == 0) return 0;
  return std::min(end % kSectorSize, sizes_[k]);
}

int64_t MemberMap::split_rest(size_t k) const {
  int64_t start = image_start(k);
  if (start <= 0 || start % kSectorSize == 0) return 0;
  return kSectorSize - start % kSectorSize;
}

}  // namespace pdiset
