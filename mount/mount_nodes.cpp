#include "mount_nodes.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "pdiset/names.h"

namespace quarnex_mount {

namespace {

// The node of entry, its name left to adopt.
Node node_of(pdiset::DiscEntry entry) {
  Node n;
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
  r.name = "";
  add(std::move(r));
  FolderEntries* top = nodes_.front().folder.get();
  fill(1, top);
  top->ready.store(true);
  // The image beside the disc's entries, under a name none of them has.
  Node image = file_node(iso);
  std::string name = iso.name;
  std::string base = iso.name.substr(0, iso.name.size() - std::min<size_t>(iso.name.size(), 4));
  for (int k = 1; child_named(*top, name); ++k)
    name = base + (k == 1 ? " (image).iso" : " (image " + std::to_string(k) + ").iso");
  image.name = keep_name(std::move(name));
  const std::string_view image_name = image.name;
  iso_ = add(std::move(image));
  top->children.insert(top->children.begin(), iso_);
  std::shared_lock<std::shared_mutex> lock(nodes_lock_);
  auto at = std::lower_bound(top->by_name.begin(), top->by_name.end(), image_name,
                             [&](uint64_t ino, std::string_view n) { return nodes_[ino - 1].name < n; });
  top->by_name.insert(at, iso_);
}

MountNodes::MountNodes(const MountTree& view) {
  Node root;
  root.name = "";
  root.type = NodeType::kFolder;
  root.mtime = view.iso.mtime;
  root.folder.reset(new FolderEntries);
  add(std::move(root));
  Node folder;
  folder.name = keep_name(view.folder_name);
  folder.type = NodeType::kFolder;
  folder.mtime = view.folder_mtime;
  folder.folder.reset(new FolderEntries);
  std::vector<Node> top;
  top.push_back(file_node(view.iso));
  top.back().name = keep_name(view.iso.name);
  top.push_back(std::move(folder));
  adopt(1, nodes_.front().folder.get(), std::move(top));
  iso_ = 2;
  std::vector<Node> files;
  for (const MountEntry& e : view.files) {
    files.push_back(file_node(e));
    files.back().name = e.name;  // copied by adopt
  }
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

std::string_view MountNodes::keep_name(std::string name) {
  std::lock_guard<std::mutex> lock(kept_names_lock_);
  kept_names_.push_back(std::move(name));
  return kept_names_.back();
}

void MountNodes::adopt(uint64_t parent, FolderEntries* folder, std::vector<Node> children) {
  size_t bytes = 0;
  for (const Node& child : children) bytes += child.name.size() + 1;
  folder->names.reset(new char[bytes]);
  char* at = folder->names.get();
  std::vector<size_t> order(children.size());
  for (size_t i = 0; i < children.size(); ++i) {
    order[i] = i;
    memcpy(at, children[i].name.data(), children[i].name.size());
    at[children[i].name.size()] = '\0';
    children[i].name = std::string_view(at, children[i].name.size());
    at += children[i].name.size() + 1;
  }
  // Of two children with one name, a lookup finds the first.
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return children[a].name < children[b].name; });
  folder->children.reserve(children.size());
  for (Node& child : children) {
    child.parent = parent;
    folder->children.push_back(add(std::move(child)));
  }
  folder->by_name.reserve(order.size());
  for (size_t i : order) folder->by_name.push_back(folder->children[i]);
}

uint64_t MountNodes::child_named(const FolderEntries& folder, std::string_view name) const {
  std::shared_lock<std::shared_mutex> lock(nodes_lock_);
  auto it = std::lower_bound(folder.by_name.begin(), folder.by_name.end(), name,
                             [&](uint64_t ino, std::string_view n) { return nodes_[ino - 1].name < n; });
  return it != folder.by_name.end() && nodes_[*it - 1].name == name ? *it : 0;
}

std::string MountNodes::path_of(uint64_t ino) const {
  std::string path;
  for (const Node* n = node(ino); n && ino != 1; ino = n->parent, n = node(ino))
    path = "/" + std::string(n->name) + path;
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
      // The name stays with the entry until adopt copies it (a folder's
      // entry keeps a copy of its own).
      std::string kept_name = entries[i].type == pdiset::DiscEntryType::kFolder ? name : std::move(entries[i].name);
      kept.push_back(node_of(std::move(entries[i])));
      entries[i].name = std::move(kept_name);
      kept.back().name = entries[i].name;
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
  return static_cast<int64_t>(child_named(*f, name));
}

}  // namespace quarnex_mount
