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

struct DiscEntry {
  std::string name;             // UTF-8, as the chosen tree names it
  DiscEntryType type = DiscEntryType::kFile;
  int64_t size = 0;             // file: bytes; link: target length; folder: 0
  int64_t mtime = 0;            // seconds since 1970-01-01 00:00 UTC
  std::vector<DataExtent> extents;  // file: its bytes in order, lengths add up to size
  std::string inline_data;      // file whose bytes the disc keeps in its entry (UDF)
  std::string link_target;      // symbolic link: the recorded target
  // Where the reader finds a folder's records; meaningful to the reader only.
  int64_t node = 0;
  int64_t node_length = 0;
};

enum class TreeKind { kIso9660, kRockRidge, kJoliet, kUdf };

class DiscTree {
 public:
  virtual ~DiscTree() = default;
  virtual TreeKind kind() const = 0;
  virtual const DiscEntry& root() const = 0;
  // The entries of folder (an entry of this tree of type kFolder), without
  // "." and "..", in the order the disc records them.
  virtual std::optional<Failure> read_folder(const DiscEntry& folder, std::vector<DiscEntry>* entries) const = 0;
};

// Opens the tree a reader of this disc should show: the ISO 9660 hierarchy
// (names from Rock Ridge, else Joliet, else plain), or the UDF tree when the
// volume has no ISO 9660 descriptor or when the UDF root holds more folders,
// more files and links, or as many of each with more bytes in its files
// (only the two roots are read to decide).
// *tree is null, with no failure, when the disc has neither.
std::optional<Failure> open_disc_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree);

}  // namespace pdiset
