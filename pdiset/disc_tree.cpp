#include "disc_tree.h"

#include <vector>

#include "iso_tree.h"
#include "udf_tree.h"

namespace pdiset {

namespace {

// What a tree's root holds, as far as choosing between two trees goes.
struct RootSummary {
  int64_t folders = 0, others = 0;  // entries that are folders; files and links
  int64_t file_bytes = 0;           // the files' sizes together
};

// A root that cannot be read holds nothing.
RootSummary summary_of_root(const DiscTree& tree) {
  RootSummary s;
  std::vector<DiscEntry> entries;
  if (tree.read_folder(tree.root(), &entries)) return s;
  for (const DiscEntry& e : entries) {
    if (e.type == DiscEntryType::kFolder) {
      ++s.folders;
    } else {
      ++s.others;
      if (e.type == DiscEntryType::kFile) s.file_bytes += e.size;
    }
  }
  return s;
}

// True when the UDF root shows what the ISO 9660 root lacks: more folders,
// more files and links, or as many of each with more bytes in its files.
// A placeholder ISO 9660 tree (a README on a disc meant for UDF readers)
// loses to any UDF root but one small file; the two trees of a bridge disc
// hold the same entries, and ISO 9660 stays.
bool udf_root_holds_more(const RootSummary& iso, const RootSummary& udf) {
  if (udf.folders != iso.folders || udf.others != iso.others)
    return udf.folders > iso.folders || udf.others > iso.others;
  return udf.file_bytes > iso.file_bytes;
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
  // Both: decided by the two roots alone (two folders read, whatever the
  // size of the disc), as a placeholder tree shows itself at its root.
  const bool udf_more = udf_root_holds_more(summary_of_root(*iso), summary_of_root(*udf));
  *tree = udf_more ? std::move(udf) : std::move(iso);
  return std::nullopt;
}

}  // namespace pdiset
