#include "mount_nodes.h"

#include <unordered_set>

#include "pdiset/names.h"

namespace quarnex_mount {

namespace {

Node node_of(pdiset::DiscEntry entry) {
  Node n;
  n.name = std::move(entry.name);
  n.mtime = entry.mtime;
  switch (entry.type) {
    case pdiset::DiscEntryType::kFolder:
      n.type = NodeType::kFolder;
      n.folder.reset(new FolderEntries);
      n.folder->disc_entry = std::move(entry);
      break;
    case pdiset::DiscEntryType::kSymlink:
      n.type = NodeType::kSymlink;
      n.data = std::move(entry.link_target);
      n.size = static_cast<int64_t>(n.data.size());
      break;
    case pdiset::DiscEntryType::kFile:
      n.type = NodeType::kFile;
      n.size = entry.size;
      n.pieces = pieces_of(entry.extents);
      n.data = std::move(entry.inline_data);
      if (entry.zisofs) {
        n.zisofs = true;
        n.zisofs_header_words = static_cast<uint8_t>(entry.zisofs->header_words);
        n.zisofs_block_log2 = static_cast<uint8_t>(entry.zisofs->block_size_log2);
      }
      break;
  }
  return n;
}

Node file_node(const MountEntry& e) {
  Node n;
  n.name = e.name;
  n.size = e.size;
  n.mtime = e.mtime;
  n.pieces.push_back(FilePiece{0, e.image_offset, e.size});
  return n;
}

// A name a Linux folder can hold.
bool holdable(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

MountNodes::MountNodes(const pdiset::DiscTree* tree, const MountEntry& iso, FILE* notes)
    : tree_(tree), notes_(notes) {
  pdiset::DiscEntry root = tree->root();
  Node r = node_of(root);
  r.name.clear();
  add(std::move(r));
  FolderEntries* top = nodes_.front().folder.get();
  fill(1, top);
  top->ready.store(true);
  // The image beside the disc's entries, under a name none of them has.
  Node image = file_node(iso);
  std::string base = iso.name.substr(0, iso.name.size() - std::min<size_t>(iso.name.size(), 4));
  for (int k = 1; top->by_name.count(image.name); ++k)
    image.name = base + (k == 1 ? " (image).iso" : " (image " + std::to_string(k) + ").iso");
  iso_ = add(std::move(image));
  top->children.insert(top->children.begin(), iso_);
  top->by_name.emplace(nodes_.back().name, iso_);
}

MountNodes::MountNodes(const MountTree& view) {
  Node root;
  root.type = NodeType::kFolder;
  root.mtime = view.iso.mtime;
  root.folder.reset(new FolderEntries);
  add(std::move(root));
  Node folder;
  folder.name = view.folder_name;
  folder.type = NodeType::kFolder;
  folder.mtime = view.folder_mtime;
  folder.folder.reset(new FolderEntries);
  std::vector<Node> top;
  top.push_back(file_node(view.iso));
  top.push_back(std::move(folder));
  adopt(1, nodes_.front().folder.get(), std::move(top));
  iso_ = 2;
  std::vector<Node> files;
  for (const MountEntry& e : view.files) files.push_back(file_node(e));
  adopt(3, nodes_[2].folder.get(), std::move(files));
  nodes_.front().folder->ready.store(true);
  nodes_[2].folder->ready.store(true);
}

uint64_t MountNodes::add(Node node) {
  std::unique_lock<std::shared_mutex> lock(nodes_lock_);
  nodes_.push_back(std::move(node));
  return nodes_.size();
}

const Node* MountNodes::node(uint64_t ino) const {
  std::shared_lock<std::shared_mutex> lock(nodes_lock_);
  return ino >= 1 && ino <= nodes_.size() ? &nodes_[ino - 1] : nullptr;
}

uint64_t MountNodes::count() const {
  std::shared_lock<std::shared_mutex> lock(nodes_lock_);
  return nodes_.size();
}

void MountNodes::adopt(uint64_t parent, FolderEntries* folder, std::vector<Node> children) {
  folder->children.reserve(children.size());
  folder->by_name.reserve(children.size());
  for (Node& child : children) {
    child.parent = parent;
    uint64_t ino = add(std::move(child));
    folder->children.push_back(ino);
    folder->by_name.emplace(node(ino)->name, ino);
  }
}

std::string MountNodes::path_of(uint64_t ino) const {
  std::string path;
  for (const Node* n = node(ino); n && ino != 1; ino = n->parent, n = node(ino)) path = "/" + n->name + path;
  return path.empty() ? "/" : path;
}

void MountNodes::fill(uint64_t ino, FolderEntries* folder) {
  std::vector<pdiset::DiscEntry> entries;
  std::vector<std::string> left_out;
  if (std::optional<pdiset::Failure> failure = tree_->read_folder(folder->disc_entry, &entries, &left_out)) {
    folder->failed = true;
    fprintf(notes_, "quarnex-mount: cannot read the folder %s: %s\n", path_of(ino).c_str(),
            pdiset::describe(*failure).c_str());
    fflush(notes_);
    return;
  }
  // Of entries with one name the later is kept, as extraction writes it
  // over the earlier.
  std::unordered_map<std::string, size_t> last;
  last.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) last[entries[i].name] = i;
  const std::string where = path_of(ino);
  for (const std::string& note : left_out) fprintf(notes_, "quarnex-mount: in %s, %s\n", where.c_str(), note.c_str());
  std::vector<Node> kept;
  kept.reserve(last.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i].name;
    if (!holdable(name)) {
      fprintf(notes_, "quarnex-mount: in %s, the name %s cannot be shown in a folder; left out\n", where.c_str(),
              pdiset::printable_name(name).c_str());
    } else if (last[name] != i) {
      fprintf(notes_, "quarnex-mount: in %s, two entries are named %s; the earlier is left out\n", where.c_str(),
              pdiset::printable_name(name).c_str());
    } else {
      kept.push_back(node_of(std::move(entries[i])));
    }
  }
  fflush(notes_);
  adopt(ino, folder, std::move(kept));
}

void MountNodes::note_unreadable(uint64_t ino, const char* why) {
  {
    std::lock_guard<std::mutex> lock(noted_lock_);
    if (!notes_ || !noted_.insert(ino).second) return;
  }
  fprintf(notes_, "quarnex-mount: %s cannot be read: %s\n", path_of(ino).c_str(), why);
  fflush(notes_);
}

const FolderEntries* MountNodes::folder(uint64_t ino) {
  const Node* n = node(ino);
  if (!n || !n->folder) return nullptr;
  FolderEntries* f = n->folder.get();
  if (!f->ready.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(f->reading);
    if (!f->ready.load(std::memory_order_relaxed)) {
      fill(ino, f);
      f->ready.store(true, std::memory_order_release);
    }
  }
  return f;
}

int64_t MountNodes::lookup(uint64_t parent, const std::string& name) {
  const FolderEntries* f = folder(parent);
  if (!f) return 0;
  if (f->failed) return -1;
  auto it = f->by_name.find(name);
  return it == f->by_name.end() ? 0 : static_cast<int64_t>(it->second);
}

}  // namespace quarnex_mount
