// Changes made to mastered UDF images by the tests and the fuzz seeds: a
// descriptor's checksum set again, a folder record found by name, the
// partition widened, the file set moved onto a metadata partition (no
// mastering tool here writes one). Offsets come from pdiset/udf_fields.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace udf_edit {

using Bytes = std::vector<unsigned char>;
constexpr size_t kSector = 2048;

inline unsigned char* sector(Bytes& image, size_t n) { return image.data() + n * kSector; }
// Sets a descriptor tag's checksum after its bytes were changed.
void seal(unsigned char* tag);
// True when sector n holds a descriptor of this id recorded at location.
bool tagged(const Bytes& image, size_t n, uint16_t id, size_t location);
inline bool tagged(const Bytes& image, size_t n, uint16_t id) { return tagged(image, n, id, n); }

// The partition of a one-partition volume: its first sector and its blocks.
struct Partition {
  size_t start = 0, length = 0;
};
// The partition, its recorded length widened by extra blocks (the image
// grows to hold them when it must).
Partition widen_partition(Bytes& image, uint32_t extra);

// The file identifier of the entry named name (8-bit identifier) in any
// folder block of the partition; null when there is none.
unsigned char* find_record(Bytes& image, const Partition& p, const std::string& name);

// Moves the file set onto a UDF 2.50 metadata partition laid over the same
// blocks in two runs: the partition is widened by 8 blocks, the metadata
// file's entry put in the first of them, the logical volume gains the map,
// and the file set, the root and every folder record name it. An image that
// had to grow ends with a copy of the anchor. False when the image has no
// partition or logical volume descriptor.
bool move_onto_metadata_partition(Bytes& image);

}  // namespace udf_edit
