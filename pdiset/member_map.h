// Which member of a set holds each image byte, and how a sector split
// between two members is put together: the one place every reader of a set
// takes this from.
//
// The members joined are the set's stream: the 304-byte header, then the
// image. Members are added in order as they are measured: the set reader
// adds them all when it opens the set, quarnex's forward-only chain one at a
// time as it reaches them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdiset {

class MemberMap {
 public:
  void add_member(int64_t size);
  size_t count() const { return starts_.size(); }
  int64_t size(size_t k) const { return sizes_[k]; }

  // Image offset of member k's first byte (negative inside the header), and
  // one past its last.
  int64_t image_start(size_t k) const { return starts_[k]; }
  int64_t image_end(size_t k) const { return starts_[k] + sizes_[k]; }
  // Where image byte x lies in member k's file.
  int64_t offset_in_member(size_t k, int64_t x) const { return x - starts_[k]; }

  // The image bytes all members hold, and the whole sectors among them.
  int64_t image_size() const;
  int64_t whole_sectors() const;

  // Members that may hold bytes of image range [begin, end): from *first,
  // the last member starting at or before begin, to *last, one past the
  // last starting before end.
  void members_holding(int64_t begin, int64_t end, size_t* first, size_t* last) const;

  // The sectors all of whose bytes lie in member k.
  struct SectorRun {
    int64_t first = 0;
    int64_t count = 0;
    int64_t end() const { return first + count; }
  };
  SectorRun sectors_in(size_t k) const;

  // A split sector: the bytes of member k in the sector right after its
  // whole sectors, which the next member finishes (0 when member k ends on a
  // sector boundary or inside the header) ...
  int64_t split_head(size_t k) const;
  // ... and the bytes member k must begin with to finish the sector the
  // member before it ends inside (0 when it begins on a sector boundary or
  // inside the header). A member shorter than that leaves the sector to a
  // third member.
  int64_t split_rest(size_t k) const;

 private:
  std::vector<int64_t> starts_, sizes_;
};

}  // namespace pdiset
