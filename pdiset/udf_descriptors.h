// The UDF (ECMA-167) records the tree reader needs, decoded from bytes
// already read: descriptor tags, addresses, timestamps and file entries.
// Every function checks its lengths against the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "byte_order.h"

namespace pdiset::udf {

// Volumes are read in 2048-byte logical blocks, the sector size of the images.
constexpr int64_t kBlockSize = 2048;

enum TagId : uint16_t {
  kPrimaryVolume = 1,
  kAnchor = 2,
  kVolumePointer = 3,
  kImplementationUse = 4,
  kPartition = 5,
  kLogicalVolume = 6,
  kUnallocatedSpace = 7,
  kTerminating = 8,
  kIntegrity = 9,
  kFileSet = 256,
  kFileIdentifier = 257,
  kAllocationExtent = 258,
  kIndirectEntry = 259,
  kFileEntry = 261,
  kExtendedFileEntry = 266,
};

// The 16-byte tag that starts every descriptor. A tag counts only when its
// checksum is right; its location is where the writer put it (the block
// number inside its partition, or the sector for volume descriptors), which
// the caller compares with where it read it.
struct Tag {
  uint16_t id = 0;
  uint32_t location = 0;
};
bool read_tag(const unsigned char* bytes, size_t size, Tag* tag);
// True when bytes hold a tag of this id, located at location.
bool has_tag(const unsigned char* bytes, size_t size, uint16_t id, uint32_t location);

// A block address: a block number inside the partition of a partition map.
struct BlockAddress {
  uint16_t partition = 0;
  uint32_t block = 0;
  bool operator==(const BlockAddress& o) const { return partition == o.partition && block == o.block; }
};
// long_ad: an extent of length bytes at address (the two top bits of the
// recorded length are the extent's type).
struct LongAd {
  uint32_t length = 0;
  BlockAddress address;
};
LongAd read_long_ad(const unsigned char* p);  // 16 bytes

// A 12-byte timestamp as seconds since 1970 UTC (its time zone applied);
// 0 when it names no valid date.
int64_t unix_time(const unsigned char* p);

// File types of the ICB tag that the tree shows or needs.
enum FileType : uint8_t {
  kTypeUnspecified = 0,
  kTypeIndirect = 3,
  kTypeDirectory = 4,
  kTypeFile = 5,
  kTypeSymlink = 12,
  kTypeVat = 248,
  kTypeMetadata = 250,
  kTypeMetadataMirror = 251,
};
// How a file entry records its data (flags & 7 of the ICB tag).
enum AdKind : uint8_t { kShortAds = 0, kLongAds = 1, kExtendedAds = 2, kInline = 3 };

// A file entry or extended file entry, decoded from its one block.
struct FileEntry {
  uint8_t file_type = 0;
  uint16_t strategy = 0;    // ICB strategy (4 or 4096)
  uint8_t ad_kind = 0;
  uint64_t information_length = 0;  // the file's bytes
  int64_t mtime = 0;
  std::string ads;  // the allocation descriptors, or the data itself (kInline)
};
// Decodes a file entry (tag 261) or extended file entry (tag 266) that
// should lie at block location of its partition. False when the block holds
// neither, or its lengths leave the block.
bool read_file_entry(const unsigned char* block, size_t size, uint32_t location, FileEntry* entry);

}  // namespace pdiset::udf
