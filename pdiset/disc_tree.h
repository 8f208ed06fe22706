// The disc's whole tree: every folder, file and symbolic link, under the
// names a reader of the disc shows (Rock Ridge, else Joliet, else the plain
// ISO 9660 identifier; or the UDF tree), read through any ImageSource.
//
// Folders are read when asked for, so a disc of many files opens at once.
// A DiscTree keeps no state that changes after it is opened: read_folder may
// be called from several threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "failure.h"
#include "image_source.h"

namespace pdiset {

// One run of a file's bytes in the image. An extent that the disc records as
// not there (UDF "not recorded" or "not allocated") reads as zeros.
struct DataExtent {
  int64_t image_offset = -1;  // image byte where the run starts; -1 for zeros
  int64_t length = 0;         // bytes
};

enum class DiscEntryType { kFile, kFolder, kSymlink };

// Where the ISO 9660 reader finds a folder's records: its extent, and their
// length (0: as the folder's own "." record says, for a relocated folder).
struct IsoFolderAt {
  uint32_t sector = 0;
  uint32_t length = 0;
};
// Where the UDF reader finds a folder: its file entry (indirect entries
// already followed).
struct UdfFolderAt {
  uint16_t partition = 0;
  uint32_t block = 0;
};

// A folder as its tree reads it again: where its records lie, and the path
// it was reached by (the folder that holds it, up to the root). A folder is
// the entry that names it; the path keeps it from being its own ancestor.
struct FolderHandle {
  std::variant<IsoFolderAt, UdfFolderAt> at;
  int depth = 0;                               // 0: the root
  std::shared_ptr<const FolderHandle> parent;  // null for the root
};

// A file the disc keeps compressed by zisofs (Rock Ridge ZF, algorithm
// "pz"): what its ZF entry says. The layout of the compressed file and the
// rules it keeps to are in zisofs.h.
struct ZisofsFormat {
  int64_t uncompressed_size = 0;  // the file's real size
  unsigned header_words = 0;      // the compressed file's header, in 4-byte words
  unsigned block_size_log2 = 0;
};

struct DiscEntry {
  std::string name;             // UTF-8, as the chosen tree names it
  DiscEntryType type = DiscEntryType::kFile;
  int64_t size = 0;             // file: bytes; link: target length; folder: 0
  int64_t mtime = 0;            // seconds since 1970-01-01 00:00 UTC
  std::vector<DataExtent> extents;  // file: its bytes in order, lengths add up to size
  std::string inline_data;      // file whose bytes the disc keeps in its entry (UDF)
  std::string link_target;      // symbolic link: the recorded target
  std::shared_ptr<const FolderHandle> folder;  // folder: where its tree finds it
  // Set for a zisofs file: its extents hold the compressed file (their
  // lengths add up to its recorded length), size is the real size.
  std::optional<ZisofsFormat> zisofs;
};

enum class TreeKind { kIso9660, kRockRidge, kJoliet, kUdf };

class DiscTree {
 public:
  virtual ~DiscTree() = default;
  virtual TreeKind kind() const = 0;
  virtual const DiscEntry& root() const = 0;
  // The entries of folder (an entry of this tree of type kFolder), without
  // "." and "..", in the order the disc records them. A record that names
  // the folder itself or one of the folders above it is left out, with a
  // line in *notes saying so (notes may be null).
  virtual std::optional<Failure> read_folder(const DiscEntry& folder, std::vector<DiscEntry>* entries,
                                             std::vector<std::string>* notes) const = 0;
  std::optional<Failure> read_folder(const DiscEntry& folder, std::vector<DiscEntry>* entries) const {
    return read_folder(folder, entries, nullptr);
  }
};

// Opens the tree a reader of this disc should show: the ISO 9660 hierarchy
// (names from Rock Ridge, else Joliet, else plain), or the UDF tree when the
// volume has no ISO 9660 descriptor or when the UDF root holds more folders,
// more files and links, or as many of each with more bytes in its files
// (only the two roots are read to decide).
// *tree is null, with no failure, when the disc has neither.
std::optional<Failure> open_disc_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree);

}  // namespace pdiset
