// Fuzz target: the UDF tree reader, over a sparse image.
//
// The input is a packed image, so that a volume of hundreds of sectors fits
// in a few kilobytes: a little-endian u32 count of the image's sectors (at
// most 65536), then records of a u32 sector number and that sector's 2048
// bytes; every sector not given reads as zeros. run.sh packs its seeds from
// mkudffs and genisoimage images the same way.
//
// The tree is opened and every folder read. Checked: each folder is reached
// once (a folder that comes back would be a cycle), files' runs add up to
// their size and read inside the image or as zeros, inline data is the
// whole file, and the volume's sector count is found whenever the tree is.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pdiset/udf_tree.h"

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

void walk(const pdiset::DiscTree& tree, const pdiset::DiscEntry& folder,
          std::set<int64_t>* folders_seen) {
  if (!folders_seen->insert(folder.node).second) fail("folder reached twice", folder.name);
  std::vector<pdiset::DiscEntry> entries;
  if (tree.read_folder(folder, &entries)) return;
  for (const pdiset::DiscEntry& e : entries) {
    if (e.name.empty()) fail("empty name");
    if (e.type == pdiset::DiscEntryType::kFolder) {
      walk(tree, e, folders_seen);
    } else if (e.type == pdiset::DiscEntryType::kSymlink) {
      if (e.size != int64_t(e.link_target.size())) fail("link size", e.name);
    } else if (!e.inline_data.empty() || e.extents.empty()) {
      if (!e.extents.empty() || e.size != int64_t(e.inline_data.size())) fail("inline size", e.name);
    } else {
      int64_t total = 0;
      for (const pdiset::DataExtent& x : e.extents) {
        if (x.length <= 0) fail("empty run", e.name);
        // Runs start at a block of the image: a 32-bit partition start plus
        // a 32-bit block number at most.
        if (x.image_offset < -1 || (x.image_offset >= 0 && (x.image_offset % kSector != 0 ||
                                                            x.image_offset >= (int64_t{1} << 33) * kSector)))
          fail("run offset", e.name);
        total += x.length;
      }
      if (total != e.size) fail("runs do not add up to the size", e.name);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SparseImage image(data, size);
  std::unique_ptr<pdiset::DiscTree> tree;
  if (pdiset::open_udf_tree(image, &tree) || !tree) return 0;
  if (tree->kind() != pdiset::TreeKind::kUdf) fail("tree kind");
  if (!pdiset::udf_volume_sectors(image)) fail("a tree without a volume size");
  std::set<int64_t> folders_seen;
  walk(*tree, tree->root(), &folders_seen);
  return 0;
}
