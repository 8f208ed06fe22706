// Fuzz target: the ISO 9660 tree reader (Rock Ridge, Joliet, sections),
// over a sparse image.
//
// The input is packed as for the UDF tree target: a little-endian u32 count
// of the image's sectors (at most 65536), then records of a u32 sector
// number and that sector's 2048 bytes; every sector not given reads as
// zeros. run.sh packs its seeds from genisoimage and xorriso images.
//
// The tree is opened over the image and every folder read, breadth first.
// Checked: no folder is reached twice (a cycle would be), no folder is
// deeper than the depth bound, names and link targets stay within their
// bounds, files' extents are whole sectors' starts inside 32-bit sector
// numbers and add up to the size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pdiset/iso_tree.h"
#include "pdiset/rock_ridge.h"

namespace {

constexpr int64_t kSector = 2048;

[[noreturn]] void fail(const char* what, const std::string& detail = "") {
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

void check_entry(const pdiset::DiscEntry& e) {
  if (e.name.size() > pdiset::kMaxRockRidgeText) fail("name too long", std::to_string(e.name.size()));
  if (e.type == pdiset::DiscEntryType::kSymlink) {
    if (e.link_target.size() > pdiset::kMaxRockRidgeText) fail("link too long");
    if (e.size != int64_t(e.link_target.size())) fail("link size", e.name);
  } else if (e.type == pdiset::DiscEntryType::kFile) {
    int64_t total = 0;
    for (const pdiset::DataExtent& x : e.extents) {
      if (x.length <= 0 || x.length > UINT32_MAX) fail("extent length", e.name);
      if (x.image_offset < 0 || x.image_offset % kSector != 0 || x.image_offset >= (int64_t{1} << 33) * kSector)
        fail("extent offset", e.name);
      total += x.length;
    }
    if (total != e.size) fail("extents do not add up to the size", e.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SparseImage image(data, size);
  std::unique_ptr<pdiset::DiscTree> tree;
  if (pdiset::open_iso_tree(image, &tree) || !tree) return 0;
  if (tree->kind() == pdiset::TreeKind::kUdf) fail("tree kind");
  std::set<int64_t> seen;
  std::deque<std::pair<pdiset::DiscEntry, int>> pending{{tree->root(), 0}};
  while (!pending.empty()) {
    pdiset::DiscEntry folder = std::move(pending.front().first);
    int depth = pending.front().second;
    pending.pop_front();
    if (!seen.insert(folder.node).second) fail("folder reached twice", folder.name);
    std::vector<pdiset::DiscEntry> entries;
    if (tree->read_folder(folder, &entries)) continue;
    if (depth > pdiset::kMaxIsoDepth) fail("folder read beyond the depth bound");
    if (entries.size() > pdiset::kMaxFolderEntries) fail("too many entries");
    for (pdiset::DiscEntry& e : entries) {
      check_entry(e);
      if (e.type == pdiset::DiscEntryType::kFolder) pending.emplace_back(std::move(e), depth + 1);
    }
  }
  return 0;
}
