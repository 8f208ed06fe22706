// What the tree fuzz targets share: a sparse image unpacked from the input,
// and the way a broken invariant ends the run.
//
// The input packs an image so that a volume of hundreds of sectors fits in a
// few kilobytes: a little-endian u32 count of the image's sectors (at most
// 65536), then records of a u32 sector number and that sector's 2048 bytes;
// every sector not given reads as zeros. run.sh packs its seeds the same way.
#ifndef QUARNEX_FUZZ_SPARSE_IMAGE_H
#define QUARNEX_FUZZ_SPARSE_IMAGE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <variant>

#include "pdiset/disc_tree.h"
#include "pdiset/image_source.h"

namespace fuzz_support {

constexpr int64_t kSector = 2048;

[[noreturn]] inline void fail(const char* what, const std::string& detail = "") {
  fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
  abort();
}

class SparseImage : public pdiset::ImageSource {
 public:
  SparseImage(const uint8_t* data, size_t size) {
    if (size < 4) return;
    uint32_t count = data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24;
    sectors_ = count > 65536 ? 65536 : count;
    for (size_t at = 4; at + 4 <= size; at += 4 + kSector) {
      uint32_t sector = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t(data[at + 3]) << 24;
      std::string bytes(kSector, '\0');
      memcpy(&bytes[0], data + at + 4, std::min<size_t>(kSector, size - at - 4));
      if (sector < sectors_) sectors_map_[sector] = bytes;
    }
  }
  int64_t image_size() const override { return int64_t{sectors_} * kSector; }
  pdiset::ReadOutcome read(int64_t offset, void* buffer, int64_t count) const override {
    pdiset::ReadOutcome outcome;
    if (offset < 0 || count <= 0 || offset >= image_size()) return outcome;
    count = std::min(count, image_size() - offset);
    unsigned char* out = static_cast<unsigned char*>(buffer);
    for (int64_t done = 0; done < count;) {
      int64_t sector = (offset + done) / kSector, inside = (offset + done) % kSector;
      int64_t take = std::min(count - done, kSector - inside);
      auto found = sectors_map_.find(uint32_t(sector));
      if (found == sectors_map_.end())
        memset(out + done, 0, size_t(take));
      else
        memcpy(out + done, found->second.data() + inside, size_t(take));
      done += take;
    }
    outcome.bytes = count;
    return outcome;
  }

 private:
  uint32_t sectors_ = 0;
  std::map<uint32_t, std::string> sectors_map_;
};

// A file's extents: none empty or longer than max_length, each starting at a
// sector below 2^33 (or, where unrecorded is allowed, at -1: zeros the disc
// does not record), together as long as the file.
inline void check_extents(const pdiset::DiscEntry& e, int64_t max_length, bool unrecorded_allowed) {
  int64_t total = 0;
  for (const pdiset::DataExtent& x : e.extents) {
    if (x.length <= 0 || x.length > max_length) fail("extent length", e.name);
    const bool unrecorded = unrecorded_allowed && x.image_offset == -1;
    if (!unrecorded &&
        (x.image_offset < 0 || x.image_offset % kSector != 0 || x.image_offset >= (int64_t{1} << 33) * kSector))
      fail("extent offset", e.name);
    total += x.length;
  }
  if (total != e.size) fail("extents do not add up to the size", e.name);
}

// Folder reads one input may cost the walk: hard-linked folders may make a
// tree of many more paths than folders.
constexpr int kMaxFolderReads = 20000;

// The loop rule, restated: a child folder's handle hangs below its folder's,
// one deeper, and lies at none of the places on the path from the root to
// that folder (itself included). Then no walk can loop.
inline void check_child_folder(const pdiset::DiscEntry& folder, const pdiset::DiscEntry& child) {
  if (!child.folder || child.folder->parent != folder.folder) fail("a child folder not below its folder", child.name);
  if (child.folder->depth != folder.folder->depth + 1) fail("folder depth", child.name);
  auto same_place = [](const pdiset::FolderHandle& a, const pdiset::FolderHandle& b) {
    if (a.at.index() != b.at.index()) return false;
    if (auto* iso = std::get_if<pdiset::IsoFolderAt>(&a.at)) return iso->sector == std::get<pdiset::IsoFolderAt>(b.at).sector;
    auto& udf = std::get<pdiset::UdfFolderAt>(a.at);
    auto& other = std::get<pdiset::UdfFolderAt>(b.at);
    return udf.partition == other.partition && udf.block == other.block;
  };
  for (const pdiset::FolderHandle* up = folder.folder.get(); up; up = up->parent.get())
    if (same_place(*up, *child.folder)) fail("a folder below itself", child.name);
}

}  // namespace fuzz_support

#endif
