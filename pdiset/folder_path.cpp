#include "folder_path.h"

#include "names.h"

namespace pdiset {

FolderPath::FolderPath(const FolderHandle& folder) {
  keys_.reserve(size_t(folder.depth) + 1);
  for (const FolderHandle* h = &folder; h; h = h->parent.get()) {
    if (const IsoFolderAt* iso = std::get_if<IsoFolderAt>(&h->at))
      keys_.insert(iso->sector);
    else
      keys_.insert(key(std::get<UdfFolderAt>(h->at)));
  }
}

std::shared_ptr<const FolderHandle> child_folder(const DiscEntry& parent, std::variant<IsoFolderAt, UdfFolderAt> at) {
  auto child = std::make_shared<FolderHandle>();
  child->at = at;
  child->depth = parent.folder->depth + 1;
  child->parent = parent.folder;
  return child;
}

void note_loop(const std::string& name, std::vector<std::string>* notes) {
  if (notes)
    notes->push_back("the folder " + printable_name(name) + " is this folder or one that holds it; left out");
}

}  // namespace pdiset
