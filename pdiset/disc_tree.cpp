#include "disc_tree.h"

#include <deque>

#include "iso_tree.h"
#include "udf_tree.h"

namespace pdiset {

namespace {

// What each tree's count may read when a disc holds both trees: enough for
// the one-file placeholders some discs put in ISO 9660, little enough that
// opening stays quick. An ISO 9660 tree that needs more is no placeholder.
const int kCountedFolders = 16;
const int64_t kCountedIsoBytes = 256 * 1024;

// Entries found below the root, reading at most kCountedFolders folders
// breadth first (and, of the ISO 9660 tree, kCountedIsoBytes of records);
// *whole is set when the walk saw every folder (null: not asked). Stops
// early once the count passes stop_above.
int64_t count_entries(const DiscTree& tree, int64_t stop_above, bool* whole) {
  int64_t count = 0, iso_bytes = 0;
  int folders = 0;
  std::deque<DiscEntry> pending{tree.root()};
  while (!pending.empty() && count <= stop_above) {
    if (folders++ == kCountedFolders) break;
    if (tree.kind() != TreeKind::kUdf) {
      iso_bytes += iso_folder_length(pending.front());
      if (iso_bytes > kCountedIsoBytes) break;
    }
    std::vector<DiscEntry> entries;
    bool failed = tree.read_folder(pending.front(), &entries).has_value();
    pending.pop_front();
    if (failed) continue;
    count += static_cast<int64_t>(entries.size());
    for (DiscEntry& e : entries)
      if (e.type == DiscEntryType::kFolder) pending.push_back(std::move(e));
  }
  if (whole) *whole = pending.empty();
  return count;
}

}  // namespace

std::optional<Failure> open_disc_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree) {
  tree->reset();
  std::unique_ptr<DiscTree> iso, udf;
  if (std::optional<Failure> failure = open_iso_tree(image, &iso)) return failure;
  if (std::optional<Failure> failure = open_udf_tree(image, &udf)) {
    // A UDF volume that cannot be read leaves the ISO 9660 tree.
    if (!iso) return failure;
    udf.reset();
  }
  if (!iso || !udf) {
    *tree = iso ? std::move(iso) : std::move(udf);
    return std::nullopt;
  }
  // Both: the UDF tree when it holds more entries. An ISO 9660 tree too big
  // to count within the bound is no placeholder.
  bool iso_whole = false;
  int64_t iso_count = count_entries(*iso, INT64_MAX, &iso_whole);
  bool udf_more = iso_whole && count_entries(*udf, iso_count, nullptr) > iso_count;
  *tree = udf_more ? std::move(udf) : std::move(iso);
  return std::nullopt;
}

}  // namespace pdiset
