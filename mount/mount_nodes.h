// What the mounted folder shows, as numbered nodes: the disc's whole tree
// (each folder read from the disc the first time it is visited) with
// NAME.iso beside the root's entries, or, on a set with no tree, the old
// view of NAME.iso and one folder of the directory's files.
//
// A node's number is its inode number for the mount's life: 1 the root,
// then in the order nodes are first seen. Safe to use from several threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "file_pieces.h"
#include "mount_tree.h"
#include "pdiset/disc_tree.h"

namespace quarnex_mount {

enum class NodeType { kFile, kFolder, kSymlink };

// A folder's entries, filled once when it is first visited.
struct FolderEntries {
  pdiset::DiscEntry disc_entry;  // where the disc keeps its records
  std::mutex reading;
  std::atomic<bool> ready{false};
  bool failed = false;                  // the disc's records could not be read
  std::vector<uint64_t> children;       // in the disc's order
  std::vector<uint64_t> by_name;        // the children again, sorted by name (looked up by bisection)
  std::unique_ptr<char[]> names;        // the children's names, each ended by a NUL
};

// A mount of 100,000 files keeps 100,000 nodes for its life: a node holds
// its name as a view (into its folder's names, or the mount's own), and a
// folder finds a name by bisection, not through a hash map of its own.
struct Node {
  std::string_view name;                  // followed by a NUL
  NodeType type = NodeType::kFile;
  // A zisofs file: size is its real size, pieces hold the compressed file;
  // its ZF entry's other two numbers (kept where the node has room).
  bool zisofs = false;
  uint8_t zisofs_header_words = 0, zisofs_block_log2 = 0;
  uint64_t parent = 1;
  int64_t size = 0;
  int64_t mtime = 0;
  std::vector<FilePiece> pieces;          // file
  std::string data;                       // link target, or a file's bytes kept in its entry
  std::unique_ptr<FolderEntries> folder;  // folder
};

// A zisofs file's format, as its ZF entry gave it.
inline pdiset::ZisofsFormat zisofs_format(const Node& n) {
  return pdiset::ZisofsFormat{n.size, n.zisofs_header_words, n.zisofs_block_log2};
}

class MountNodes {
 public:
  // The disc's tree; its root is read now, and iso (its name unless a root
  // entry has it, then "BASE (image).iso", "BASE (image 2).iso", ...) is put
  // first in it. Notes (names left out, folders that cannot be read) go to
  // notes as folders are read. tree must outlive this.
  MountNodes(const pdiset::DiscTree* tree, const MountEntry& iso, FILE* notes);
  // The old view of a set with no tree: NAME.iso and the directory's folder.
  explicit MountNodes(const MountTree& view);

  // The node numbered ino, or null; its fields never change once seen.
  const Node* node(uint64_t ino) const;
  // A folder's entries, read from the disc on first use; null when ino is no folder.
  const FolderEntries* folder(uint64_t ino);
  // The child of folder parent named name: 0 when there is none, -1 when the
  // folder cannot be read.
  int64_t lookup(uint64_t parent, const std::string& name);
  // How many nodes have been seen so far.
  uint64_t count() const;
  const Node& iso() const { return *node(iso_); }
  // Notes once, by its path, why the file numbered ino cannot be read.
  void note_unreadable(uint64_t ino, const char* why);

 private:
  uint64_t add(Node node);
  void fill(uint64_t ino, FolderEntries* folder);
  // Makes children the entries of folder parent, their names copied into
  // the folder's names.
  void adopt(uint64_t parent, FolderEntries* folder, std::vector<Node> children);
  // A name kept for the mount's life (the image's, the one-folder view's).
  std::string_view keep_name(std::string name);
  // The child of folder named name, or 0; folder is filled.
  uint64_t child_named(const FolderEntries& folder, std::string_view name) const;
  std::string path_of(uint64_t ino) const;

  const pdiset::DiscTree* tree_ = nullptr;
  FILE* notes_ = nullptr;
  uint64_t iso_ = 0;
  mutable std::shared_mutex nodes_lock_;
  std::deque<Node> nodes_;  // node ino is nodes_[ino - 1]; elements never move
  std::mutex noted_lock_;
  std::unordered_set<uint64_t> noted_;  // files noted as unreadable
  std::mutex kept_names_lock_;
  std::deque<std::string> kept_names_;  // elements never move
};

}  // namespace quarnex_mount
