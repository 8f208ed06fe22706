// Fuzz target: the ISO 9660 tree reader (Rock Ridge, Joliet, sections),
// over a sparse image.
//
// The input is a packed sparse image (sparse_image.h); run.sh packs its
// seeds from genisoimage and xorriso images.
//
// The tree is opened over the image and every folder read, breadth first.
// Checked: no folder is reached twice (a cycle would be), no folder is
// deeper than the depth bound, names and link targets stay within their
// bounds, files' extents are whole sectors' starts inside 32-bit sector
// numbers and add up to the size (a zisofs file's: to its recorded length,
// its size the ZF's; it is read at its start and middle as the mount reads
// it).
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/sparse_image.h"
#include "mount/zisofs_reader.h"
#include "pdiset/iso_tree.h"
#include "pdiset/rock_ridge.h"

namespace {

using fuzz_support::check_extents;
using fuzz_support::fail;
using fuzz_support::SparseImage;

// A zisofs file's compressed bytes, from its extents in the image.
class StoredExtents : public quarnex_mount::StoredBytes {
 public:
  StoredExtents(const SparseImage& image, const pdiset::DiscEntry& e) : image_(image), e_(e) {
    for (const pdiset::DataExtent& x : e.extents) size_ += x.length;
  }
  int64_t size() const override { return size_; }
  int64_t read(int64_t offset, void* buffer, int64_t count) override {
    int64_t done = 0, start = 0;
    for (const pdiset::DataExtent& x : e_.extents) {
      const int64_t at = offset + done;
      if (done < count && at >= start && at < start + x.length) {
        const int64_t n = std::min(count - done, start + x.length - at);
        pdiset::ReadOutcome read = image_.read(x.image_offset + at - start, static_cast<char*>(buffer) + done, n);
        if (read.bytes != n) return -EIO;
        done += n;
      }
      start += x.length;
    }
    return done;
  }

 private:
  const SparseImage& image_;
  const pdiset::DiscEntry& e_;
  int64_t size_ = 0;
};

// Reads a zisofs file's start and middle as the mount does.
void read_zisofs_file(const SparseImage& image, const pdiset::DiscEntry& e) {
  StoredExtents stored(image, e);
  if (check_zisofs(&stored, *e.zisofs).bytes != 0) return;
  static char buffer[1 << 17];
  for (int64_t at : {int64_t{0}, e.size / 2}) {
    quarnex_mount::ZisofsRead read = read_zisofs(&stored, *e.zisofs, at, buffer, sizeof buffer);
    if (read.bytes > static_cast<int64_t>(sizeof buffer)) fail("zisofs read past the count", e.name);
  }
}

void check_entry(const SparseImage& image, const pdiset::DiscEntry& e) {
  if (e.name.size() > pdiset::kMaxRockRidgeText) fail("name too long", std::to_string(e.name.size()));
  if (e.type == pdiset::DiscEntryType::kSymlink) {
    if (e.link_target.size() > pdiset::kMaxRockRidgeText) fail("link too long");
    if (e.size != int64_t(e.link_target.size())) fail("link size", e.name);
  } else if (e.type == pdiset::DiscEntryType::kFile && !e.zisofs) {
    check_extents(e, UINT32_MAX, false);
  } else if (e.type == pdiset::DiscEntryType::kFile) {
    // A zisofs file: its real size is the ZF's; its extents hold the compressed file.
    if (e.size != e.zisofs->uncompressed_size || e.size > UINT32_MAX) fail("zisofs size", e.name);
    pdiset::DiscEntry stored = e;
    stored.size = 0;
    for (const pdiset::DataExtent& x : e.extents) stored.size += x.length;
    check_extents(stored, UINT32_MAX, false);
    read_zisofs_file(image, e);
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
      check_entry(image, e);
      if (e.type == pdiset::DiscEntryType::kFolder) pending.emplace_back(std::move(e), depth + 1);
    }
  }
  return 0;
}
