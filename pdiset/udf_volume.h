// A UDF volume found in an image: its anchor, the partitions its logical
// volume maps, and the file set's root. Turns block addresses of the
// volume into runs of image bytes, and reads file entries and their data.
//
// Recognised: anchors at sector 256, at the last sector and 256 before it;
// the main volume descriptor sequence, else the reserve one; partition maps
// of type 1, sparable (sparing table applied), virtual (the allocation table
// found at the image's last 16 sectors) and the metadata partition of
// UDF 2.50 and later (its metadata file, else the mirror). Logical blocks
// of 2048 bytes only.
//
// Bounds against hostile volumes:
//   - a volume descriptor sequence: at most 256 blocks read, 8 pointers;
//   - at most 16 partition maps; sparing tables of at most 64 KiB;
//   - a file entry: one block, reached through at most 8 indirect entries;
//   - allocation descriptors: at most 4096 continuation blocks per entry;
//     every run an entry takes, every continuation block and every block
//     looked up in an allocation table count against a Budget the caller
//     gives (memory and time for one folder);
//   - metadata and allocation table files: at most 65536 runs each, read
//     on demand (never held in memory whole).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disc_tree.h"
#include "failure.h"
#include "image_source.h"
#include "udf_descriptors.h"

namespace pdiset::udf {

constexpr int kMaxSequenceBlocks = 256;
constexpr int kMaxSequencePointers = 8;
constexpr int kMaxPartitionMaps = 16;
constexpr int kMaxIndirections = 8;
constexpr int kMaxContinuations = 4096;
constexpr size_t kMaxSystemFileRuns = 65536;
constexpr int64_t kMaxSparingTableBytes = 64 * 1024;

// The failure for bytes that do not make sense as what they should be.
Failure damaged(const std::string& what);

// What reading entries may still cost: runs held, and blocks looked up one
// at a time (continuation blocks, allocation table entries).
struct Budget {
  size_t runs = 0;
  size_t lookups = 0;
  bool spent() const { return runs == 0 || lookups == 0; }
};

// A file's bytes: runs of the image (offset -1 for zeros), or the bytes
// held in its entry.
struct FileData {
  std::vector<DataExtent> runs;
  std::string inline_bytes;
  bool is_inline = false;
  int64_t length = 0;
  std::vector<int64_t> starts;  // where each run starts in the file, for files read piecemeal
};

class Volume {
 public:
  // *volume stays null, with no failure, when the image has no UDF anchor.
  static std::optional<Failure> open(const ImageSource& image, std::unique_ptr<Volume>* volume);

  const LongAd& root() const { return root_; }
  // True for a partition reference the volume's own records may use.
  bool names_partition(uint16_t partition) const { return partition < visible_maps_; }
  // Sectors from 0 to the end of the furthest structure found: see
  // udf_volume_sectors.
  int64_t sectors_spanned() const { return sectors_spanned_; }

  // The file entry at icb (indirect entries followed). *damaged is set,
  // without a failure, when the block there holds no valid entry.
  std::optional<Failure> read_entry(const LongAd& icb, BlockAddress* where, FileEntry* entry, bool* damaged) const;
  // Where an entry's bytes lie: information_length bytes, trimmed from its
  // extents and padded with zeros. What it takes lowers *budget; running
  // out is damage.
  std::optional<Failure> entry_data(const FileEntry& entry, BlockAddress where, Budget* budget, FileData* data,
                                    bool* damaged) const;
  // Reads data's bytes into *bytes; at most limit bytes, else damage.
  std::optional<Failure> read_data(const FileData& data, int64_t limit, std::string* bytes, bool* damaged) const;

 private:
  explicit Volume(const ImageSource& image) : image_(image) {}
  struct Map {
    enum Kind { kPhysical, kSparable, kVirtual, kMetadata } kind = kPhysical;
    uint16_t number = 0;  // the partition's number
    int64_t start = 0;    // its first sector
    int64_t length = 0;   // its blocks
    uint32_t packet = 0;  // sparable: blocks per packet
    std::vector<std::pair<uint32_t, uint32_t>> spared;  // sparable: packet -> sector, sorted
    size_t physical = 0;  // virtual and metadata: the map of the partition under them
    FileData file;        // virtual: the allocation table; metadata: the metadata file
    int64_t vat_first = 0, vat_count = 0;  // virtual: where its entries lie
  };
  std::optional<Failure> read_sequence(uint32_t location, uint32_t length, std::vector<unsigned char>* lvd,
                                       std::vector<std::vector<unsigned char>>* partitions, int64_t* end) const;
  std::optional<Failure> build_maps(const unsigned char* lvd, const std::vector<std::vector<unsigned char>>& pds,
                                    bool* damaged);
  std::optional<Failure> load_system_file(size_t physical, uint32_t location, uint8_t type, FileData* file,
                                          bool* damaged) const;
  std::optional<Failure> find_vat(size_t map, bool* damaged);
  std::optional<Failure> map_blocks(uint16_t partition, uint32_t block, int64_t bytes, Budget* budget,
                                    std::vector<DataExtent>* runs, bool* damaged) const;
  std::optional<Failure> read_block(BlockAddress address, unsigned char* block, bool* damaged) const;
  std::optional<Failure> read_file_bytes(const FileData& file, int64_t offset, int64_t count, unsigned char* out,
                                         bool* damaged) const;

  const ImageSource& image_;
  std::vector<Map> maps_;
  size_t visible_maps_ = 0;  // maps the volume names; the rest are their physical partitions
  LongAd root_;
  int64_t sectors_spanned_ = 0;
};

}  // namespace pdiset::udf
