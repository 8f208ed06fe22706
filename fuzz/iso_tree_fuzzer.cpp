// Fuzz target: the ISO 9660 tree reader (Rock Ridge, Joliet, sections),
// over a sparse image.
//
// The input is a packed sparse image (sparse_image.h); run.sh packs its
// seeds from genisoimage and xorriso images.
//
// The tree is opened over the image and every folder read, breadth first.
// Checked: no folder lies below itself (check_child_folder: the walk cannot
// loop), no folder is read deeper than the depth bound, names and link targets stay within their
// bounds, files' extents are whole sectors' starts inside 32-bit sector
// numbers and add up to the size (a zisofs file's size is its ZF's).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/sparse_image.h"
#include "pdiset/iso_tree.h"
#include "pdiset/rock_ridge.h"

namespace {

using fuzz_support::check_extents;
using fuzz_support::fail;
using fuzz_support::SparseImage;

void check_entry(const pdiset::DiscEntry& e) {
  if (e.name.size() > pdiset::kMaxRockRidgeText) fail("name too long", std::to_string(e.name.size()));
  if (e.type == pdiset::DiscEntryType::kSymlink) {
    if (e.link_target.size() > pdiset::kMaxRockRidgeText) fail("link too long");
    if (e.size != int64_t(e.link_target.size())) fail("link size", e.name);
  } else if (e.type == pdiset::DiscEntryType::kFile && !e.zisofs) {
    check_extents(e, UINT32_MAX, false);
  } else if (e.type == pdiset::DiscEntryType::kFile && e.size != e.zisofs->uncompressed_size) {
    fail("zisofs size", e.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SparseImage image(data, size);
  std::unique_ptr<pdiset::DiscTree> tree;
  if (pdiset::open_iso_tree(image, &tree) || !tree) return 0;
  if (tree->kind() == pdiset::TreeKind::kUdf) fail("tree kind");
  std::deque<std::pair<pdiset::DiscEntry, int>> pending{{tree->root(), 0}};
  if (!tree->root().folder || tree->root().folder->depth != 0 || tree->root().folder->parent) fail("root handle");
  for (int reads = 0; !pending.empty() && reads < fuzz_support::kMaxFolderReads; ++reads) {
    pdiset::DiscEntry folder = std::move(pending.front().first);
    int depth = pending.front().second;
    pending.pop_front();
    std::vector<pdiset::DiscEntry> entries;
    if (tree->read_folder(folder, &entries)) continue;
    if (depth > pdiset::kMaxIsoDepth) fail("folder read beyond the depth bound");
    if (entries.size() > pdiset::kMaxFolderEntries) fail("too many entries");
    for (pdiset::DiscEntry& e : entries) {
      check_entry(e);
      if (e.type != pdiset::DiscEntryType::kFolder) continue;
      fuzz_support::check_child_folder(folder, e);
      pending.emplace_back(std::move(e), depth + 1);
    }
  }
  return 0;
}
