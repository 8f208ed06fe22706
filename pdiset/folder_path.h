// The loop rule both trees keep: a folder is the entry that names it, read
// wherever it is named, except below itself. A record that names the
// folder being read, or one of the folders above it on the path it was
// reached by, is left out with a note; two names for one folder elsewhere
// (a hard-linked folder) are both shown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "disc_tree.h"

namespace pdiset {

// The folders on a path: the folder read and every one above it.
class FolderPath {
 public:
  explicit FolderPath(const FolderHandle& folder);
  // True when at names one of them.
  bool holds(const IsoFolderAt& at) const { return keys_.count(at.sector) > 0; }
  bool holds(const UdfFolderAt& at) const { return keys_.count(key(at)) > 0; }

 private:
  static uint64_t key(const UdfFolderAt& at) { return uint64_t{at.partition} << 32 | at.block; }
  std::unordered_set<uint64_t> keys_;
};

// The handle of a folder found in parent at at.
std::shared_ptr<const FolderHandle> child_folder(const DiscEntry& parent, std::variant<IsoFolderAt, UdfFolderAt> at);

// Adds the note for the folder named name, left out by the loop rule.
void note_loop(const std::string& name, std::vector<std::string>* notes);

}  // namespace pdiset
