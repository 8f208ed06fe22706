#include "rock_ridge.h"

#include <set>
#include <utility>
#include <vector>

#include "byte_order.h"
#include "iso_records.h"
#include "layout.h"

namespace pdiset {

namespace {

struct Continuation {
  uint32_t sector = 0, offset = 0, length = 0;
};

// Appends text to s up to the bound; marks the cut.
void append_bounded(std::string* s, const std::string& text, RockRidge* out) {
  if (s->size() + text.size() > kMaxRockRidgeText) {
    s->append(text, 0, kMaxRockRidgeText - s->size());
    out->too_long = true;
  } else {
    s->append(text);
  }
}

// SL state carried across entries and areas: whether the next component
// needs a "/" before it.
struct LinkState {
  bool separator_due = false;
};

void read_link_components(const unsigned char* data, unsigned size, LinkState* state, RockRidge* out) {
  unsigned p = 0;
  while (p + 2 <= size) {
    unsigned flags = data[p], length = data[p + 1];
    if (p + 2 + length > size) break;
    std::string piece;
    if (flags & 0x08 || flags & 0x10) {
      // The root, or (inside a target) an empty component: "/" either way,
      // after the separator the component before it is due.
      if (state->separator_due) append_bounded(&out->link_target, "/", out);
      append_bounded(&out->link_target, "/", out);
      state->separator_due = false;
    } else {
      if (flags & 0x02) piece = ".";
      else if (flags & 0x04) piece = "..";
      else if (!(flags & 0x20)) piece.assign(reinterpret_cast<const char*>(data + p + 2), length);
      if (state->separator_due) append_bounded(&out->link_target, "/", out);
      append_bounded(&out->link_target, piece, out);
      // A component flagged "continues" goes on in the next one unseparated.
      state->separator_due = !(flags & 0x01);
    }
    p += 2 + length;
  }
}

// One area's entries; the last CE entry seen, if any, names the next area.
void read_area(const unsigned char* a, size_t size, LinkState* link, RockRidge* out,
               std::optional<Continuation>* next) {
  size_t p = 0;
  while (p + 4 <= size) {
    unsigned length = a[p + 2];
    if (length < 4 || p + length > size) break;
    const unsigned char* e = a + p;
    auto sig = [&](const char* s) { return e[0] == s[0] && e[1] == s[1]; };
    if (sig("ST")) break;
    if (sig("CE") && length >= 28) {
      *next = Continuation{le32(e + 4), le32(e + 12), le32(e + 20)};
    } else if (sig("NM") && length >= 5) {
      unsigned flags = e[4];
      std::string piece;
      if (flags & 0x02) piece = ".";
      else if (flags & 0x04) piece = "..";
      else if (!(flags & 0x20)) piece.assign(reinterpret_cast<const char*>(e + 5), length - 5);
      out->has_name = true;
      append_bounded(&out->name, piece, out);
    } else if (sig("PX") && length >= 12) {
      out->mode = le32(e + 4);
    } else if (sig("TF") && length >= 5) {
      unsigned flags = e[4];
      unsigned stamp = (flags & 0x80) ? 17 : 7;
      // Creation comes first when recorded, then modification.
      unsigned at = 5 + ((flags & 0x01) ? stamp : 0);
      if ((flags & 0x02) && at + stamp <= length)
        out->mtime = stamp == 17 ? long_date_seconds(e + at) : record_date_seconds(e + at);
    } else if (sig("SL") && length >= 5) {
      out->is_link = true;
      read_link_components(e + 5, length - 5, link, out);
    } else if (sig("RE")) {
      out->relocated = true;
    } else if (sig("CL") && length >= 12) {
      out->child_link = le32(e + 4);
    } else if (sig("ZF") && length >= 16 && e[4] == 'p' && e[5] == 'z') {
      out->zisofs = ZisofsFormat{le32(e + 8), e[6], e[7]};
    }
    p += length;
  }
}

bool is_sp(const std::string& s, size_t at) {
  return s.size() >= at + 7 && s[at] == 'S' && s[at + 1] == 'P' && static_cast<unsigned char>(s[at + 2]) >= 7 &&
         static_cast<unsigned char>(s[at + 4]) == 0xBE && static_cast<unsigned char>(s[at + 5]) == 0xEF;
}

}  // namespace

std::optional<unsigned> rock_ridge_skip(const std::string& root_system_use) {
  if (is_sp(root_system_use, 0)) return static_cast<unsigned char>(root_system_use[6]);
  if (is_sp(root_system_use, 14)) return 14u + static_cast<unsigned char>(root_system_use[20]);
  return std::nullopt;
}

std::optional<Failure> read_rock_ridge(const ImageSource& image, int64_t volume_sectors,
                                       const std::string& system_use, unsigned skip, RockRidge* out) {
  *out = RockRidge();
  LinkState link;
  std::optional<Continuation> next;
  if (skip < system_use.size())
    read_area(reinterpret_cast<const unsigned char*>(system_use.data()) + skip, system_use.size() - skip, &link,
              out, &next);
  std::set<std::pair<uint32_t, uint32_t>> visited;
  std::vector<unsigned char> area;
  for (int links = 0; next && links < kMaxContinuations; ++links) {
    Continuation c = *next;
    next.reset();
    int64_t start = int64_t{c.sector} * kSectorSize + c.offset;
    if (c.length == 0 || c.length > kMaxContinuationBytes || start + c.length > volume_sectors * kSectorSize)
      break;
    if (!visited.insert({c.sector, c.offset}).second) break;
    area.assign(c.length, 0);
    ReadOutcome read = image.read(start, area.data(), c.length);
    if (read.failure) return read.failure;
    read_area(area.data(), static_cast<size_t>(read.bytes), &link, out, &next);
  }
  return std::nullopt;
}

}  // namespace pdiset
