// Fuzz target: the UDF tree reader, over a sparse image.
//
// The input is a packed sparse image (sparse_image.h); run.sh packs its
// seeds from mkudffs and genisoimage images.
//
// The tree is opened and every folder read (up to kMaxFolderReads). Checked:
// no folder lies below itself (check_child_folder: the walk cannot loop),
// files' runs add up to
// their size and read inside the image or as zeros, inline data is the
// whole file, and the volume's sector count is found whenever the tree is.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/sparse_image.h"
#include "pdiset/udf_tree.h"

namespace {

using fuzz_support::check_extents;
using fuzz_support::fail;
using fuzz_support::SparseImage;

void walk(const pdiset::DiscTree& tree, const pdiset::DiscEntry& folder, int* reads) {
  if (++*reads > fuzz_support::kMaxFolderReads) return;
  std::vector<pdiset::DiscEntry> entries;
  if (tree.read_folder(folder, &entries)) return;
  for (const pdiset::DiscEntry& e : entries) {
    if (e.name.empty()) fail("empty name");
    if (e.type == pdiset::DiscEntryType::kFolder) {
      fuzz_support::check_child_folder(folder, e);
      walk(tree, e, reads);
    } else if (e.type == pdiset::DiscEntryType::kSymlink) {
      if (e.size != int64_t(e.link_target.size())) fail("link size", e.name);
    } else if (!e.inline_data.empty() || e.extents.empty()) {
      if (!e.extents.empty() || e.size != int64_t(e.inline_data.size())) fail("inline size", e.name);
    } else {
      // Runs start at a block of the image (a 32-bit partition start plus a
      // 32-bit block number at most) or are not recorded.
      check_extents(e, INT64_MAX, true);
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
  int reads = 0;
  walk(*tree, tree->root(), &reads);
  return 0;
}
