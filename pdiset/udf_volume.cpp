#include "udf_volume.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "udf_fields.h"

namespace pdiset::udf {

Failure damaged(const std::string& what) { return Failure{"UDF volume: " + what, EIO}; }

namespace {

// Reads count bytes at offset; a short read is a failure (the set ends there).
std::optional<Failure> read_exact(const ImageSource& image, int64_t offset, void* out, int64_t count) {
  ReadOutcome got = image.read(offset, out, count);
  if (got.failure) return got.failure;
  if (got.bytes != count) return Failure{"UDF volume: sector " + std::to_string(offset / kBlockSize), 0};
  return std::nullopt;
}

// Reads sector into block; false when the image has no whole sector there.
std::optional<Failure> read_sector(const ImageSource& image, int64_t sector, unsigned char* block, bool* there) {
  *there = false;
  if (sector < 0 || (sector + 1) * kBlockSize > image.image_size()) return std::nullopt;
  if (auto failure = read_exact(image, sector * kBlockSize, block, kBlockSize)) return failure;
  *there = true;
  return std::nullopt;
}

// Adds a run, joined to the last one when it follows it.
void add_run(std::vector<DataExtent>* runs, int64_t offset, int64_t length) {
  if (length <= 0) return;
  if (!runs->empty()) {
    DataExtent& last = runs->back();
    if ((offset < 0 && last.image_offset < 0) || (offset >= 0 && last.image_offset >= 0 &&
                                                    last.image_offset + last.length == offset)) {
      last.length += length;
      return;
    }
  }
  runs->push_back(DataExtent{offset, length});
}

// Adds a run of zeros; false when it needs a run beyond the budget.
bool add_zeros(std::vector<DataExtent>* runs, int64_t length, Budget* budget) {
  if (!runs->empty() && runs->back().image_offset < 0) {
    runs->back().length += length;
    return true;
  }
  if (budget->runs == 0) return false;
  --budget->runs;
  runs->push_back(DataExtent{-1, length});
  return true;
}

bool identifier_is(const unsigned char* entity, const char* name) {
  // An entity identifier: a flags byte, then 23 bytes of identifier.
  const size_t n = strlen(name);
  return memcmp(entity + 1, name, n) == 0;
}

// Lets a file read often in small pieces find its run by bisection.
void index_runs(FileData* file) {
  file->starts.clear();
  int64_t at = 0;
  for (const DataExtent& run : file->runs) {
    file->starts.push_back(at);
    at += run.length;
  }
}

// The first run worth looking at for offset, and where it starts.
size_t first_run(const FileData& file, int64_t offset, int64_t* at) {
  *at = 0;
  if (file.starts.size() != file.runs.size() || file.starts.empty()) return 0;
  size_t i = size_t(std::upper_bound(file.starts.begin(), file.starts.end(), offset) - file.starts.begin());
  i = i == 0 ? 0 : i - 1;
  *at = file.starts[i];
  return i;
}

int64_t blocks_of(int64_t bytes) { return (bytes + kBlockSize - 1) / kBlockSize; }

}  // namespace

std::optional<Failure> Volume::open(const ImageSource& image, std::unique_ptr<Volume>* volume) {
  volume->reset();
  const int64_t sectors = image.image_size() / kBlockSize;
  unsigned char block[kBlockSize];
  std::unique_ptr<Volume> v(new Volume(image));
  std::vector<unsigned char> anchor;
  int64_t spanned = 0;
  // Small volumes have only the anchor in their last sector.
  const int64_t candidates[] = {256, sectors - 1, sectors - 257};
  for (int64_t sector : candidates) {
    if (sector < 0) continue;
    bool there = false;
    if (auto failure = read_sector(image, sector, block, &there)) return failure;
    if (!there || !has_tag(block, kBlockSize, kAnchor, static_cast<uint32_t>(sector))) continue;
    spanned = std::max(spanned, sector + 1);
    if (anchor.empty()) anchor.assign(block, block + kBlockSize);
  }
  if (anchor.empty()) return std::nullopt;

  // The main sequence, else the reserve one: each must give a logical
  // volume and its partitions.
  std::vector<unsigned char> lvd;
  std::vector<std::vector<unsigned char>> pds;
  bool usable = false;
  for (int offset : {anchor::kMainSequence, anchor::kReserveSequence}) {
    uint32_t length = le32(&anchor[offset + extent_ad::kLength]),
             location = le32(&anchor[offset + extent_ad::kLocation]);
    int64_t end = 0;
    lvd.clear();
    pds.clear();
    if (auto failure = v->read_sequence(location, length, &lvd, &pds, &end)) return failure;
    spanned = std::max(spanned, end);
    if (lvd.empty() || pds.empty()) continue;
    bool bad = false;
    v->maps_.clear();
    if (auto failure = v->build_maps(lvd.data(), pds, &bad)) return failure;
    if (!bad) {
      usable = true;
      break;
    }
  }
  if (!usable) return damaged("no usable volume descriptor sequence");

  // The integrity sequence lies outside the partitions; count it in.
  const unsigned char* integrity = &lvd[logical_volume::kIntegrity];
  uint32_t integrity_length = le32(integrity + extent_ad::kLength),
           integrity_location = le32(integrity + extent_ad::kLocation);
  if (integrity_length > 0) spanned = std::max(spanned, int64_t{integrity_location} + blocks_of(integrity_length));
  // A write-once disc's partition names its capacity; what is recorded
  // ends with its allocation table. Other partitions count whole.
  bool virtual_volume = false;
  for (const Map& map : v->maps_) virtual_volume |= map.kind == Map::kVirtual;
  for (const Map& map : v->maps_)
    if (!virtual_volume && (map.kind == Map::kPhysical || map.kind == Map::kSparable))
      spanned = std::max(spanned, map.start + map.length);
  if (virtual_volume) spanned = std::max(spanned, v->sectors_spanned_);
  v->sectors_spanned_ = spanned;

  LongAd file_set = read_long_ad(&lvd[logical_volume::kFileSet]);
  bool bad = false;
  if (auto failure = v->read_block(file_set.address, block, &bad)) return failure;
  if (bad || !has_tag(block, kBlockSize, kFileSet, file_set.address.block)) return damaged("no file set descriptor");
  v->root_ = read_long_ad(block + file_set::kRoot);
  *volume = std::move(v);
  return std::nullopt;
}

std::optional<Failure> Volume::read_sequence(uint32_t location, uint32_t length, std::vector<unsigned char>* lvd,
                                             std::vector<std::vector<unsigned char>>* pds, int64_t* end) const {
  unsigned char block[kBlockSize];
  uint32_t lvd_number = 0;
  int pointers = 0;
  int64_t sector = location, stop = int64_t{location} + length / kBlockSize;
  *end = std::max<int64_t>(*end, stop);
  for (int read = 0; sector < stop && read < kMaxSequenceBlocks; ++read, ++sector) {
    bool there = false;
    if (auto failure = read_sector(image_, sector, block, &there)) return failure;
    Tag tag;
    if (!there || !read_tag(block, kBlockSize, &tag) || tag.location != sector) break;
    if (tag.id == kTerminating) break;
    uint32_t number = le32(block + kSequenceNumber);  // the highest holds
    if (tag.id == kVolumePointer) {
      if (++pointers > kMaxSequencePointers) break;
      const unsigned char* next = block + pointer::kNextSequence;
      uint32_t next_length = le32(next + extent_ad::kLength), next_location = le32(next + extent_ad::kLocation);
      sector = int64_t{next_location} - 1;
      stop = int64_t{next_location} + next_length / kBlockSize;
      *end = std::max<int64_t>(*end, stop);
    } else if (tag.id == kLogicalVolume) {
      if (lvd->empty() || number >= lvd_number) {
        lvd->assign(block, block + kBlockSize);
        lvd_number = number;
      }
    } else if (tag.id == kPartition) {
      uint16_t number_of_partition = le16(block + partition::kNumber);
      bool replaced = false;
      for (auto& pd : *pds) {
        if (le16(&pd[partition::kNumber]) != number_of_partition) continue;
        if (number >= le32(&pd[kSequenceNumber])) pd.assign(block, block + kBlockSize);
        replaced = true;
      }
      if (!replaced && pds->size() < size_t(kMaxPartitionMaps)) pds->emplace_back(block, block + kBlockSize);
    }
  }
  return std::nullopt;
}

std::optional<Failure> Volume::build_maps(const unsigned char* lvd, const std::vector<std::vector<unsigned char>>& pds,
                                          bool* bad) {
  *bad = true;
  if (le32(lvd + logical_volume::kBlockSize) != uint32_t(kBlockSize)) return std::nullopt;
  uint32_t table_length = le32(lvd + logical_volume::kMapTableLength), count = le32(lvd + logical_volume::kMapCount);
  if (table_length > kBlockSize - logical_volume::kMaps || count == 0 || count > uint32_t(kMaxPartitionMaps))
    return std::nullopt;
  auto find_pd = [&](uint16_t number) -> const unsigned char* {
    for (const auto& pd : pds)
      if (le16(&pd[partition::kNumber]) == number) return pd.data();
    return nullptr;
  };
  const unsigned char* p = lvd + logical_volume::kMaps;
  const unsigned char* table_end = p + table_length;
  std::vector<std::pair<size_t, const unsigned char*>> pending;  // maps that need a physical one
  for (uint32_t i = 0; i < count; ++i) {
    const unsigned type = p[partition_map::kType], length = p[partition_map::kLength];
    if (table_end - p < 2 || length < 2 || std::ptrdiff_t(length) > table_end - p) return std::nullopt;
    Map map;
    if (type == 1 && length == partition_map::kType1Size) {
      map.number = le16(p + partition_map::kType1Number);
    } else if (type == 2 && length == partition_map::kType2Size) {
      map.number = le16(p + partition_map::kType2Number);
      const unsigned char* identifier = p + partition_map::kIdentifier;
      if (identifier_is(identifier, "*UDF Sparable Partition")) {
        map.kind = Map::kSparable;
      } else if (identifier_is(identifier, "*UDF Virtual Partition")) {
        map.kind = Map::kVirtual;
      } else if (identifier_is(identifier, "*UDF Metadata Partition")) {
        map.kind = Map::kMetadata;
      } else {
        return std::nullopt;
      }
    } else {
      return std::nullopt;
    }
    const unsigned char* pd = find_pd(map.number);
    if (!pd) return std::nullopt;
    map.start = le32(pd + partition::kStart);
    map.length = le32(pd + partition::kLength);
    if (map.kind == Map::kVirtual || map.kind == Map::kMetadata) pending.emplace_back(maps_.size(), p);
    if (map.kind == Map::kSparable) {
      map.packet = le16(p + partition_map::kPacketLength);
      unsigned tables = p[partition_map::kSparingTables];
      uint32_t table_size = le32(p + partition_map::kSparingTableSize);
      if (map.packet == 0 || (map.packet & (map.packet - 1)) != 0 || tables > 4 ||
          table_size < uint32_t(sparing_table::kMap) ||
          table_size > kMaxSparingTableBytes)
        return std::nullopt;
      std::vector<unsigned char> table(table_size);
      bool found = false;
      for (unsigned t = 0; t < tables && !found; ++t) {
        uint32_t at = le32(p + partition_map::kSparingLocations + 4 * t);
        if ((int64_t{at} * kBlockSize + table_size) > image_.image_size()) continue;
        if (auto failure = read_exact(image_, int64_t{at} * kBlockSize, table.data(), table_size)) return failure;
        Tag tag;
        if (!read_tag(table.data(), table_size, &tag) || tag.id != 0 ||
            !identifier_is(&table[sparing_table::kIdentifier], "*UDF Sparing Table"))
          continue;
        size_t entries = le16(&table[sparing_table::kEntries]);
        if (entries > (table_size - sparing_table::kMap) / sparing_table::kMapEntrySize) continue;
        for (size_t e = 0; e < entries; ++e) {
          const unsigned char* pair = &table[sparing_table::kMap + sparing_table::kMapEntrySize * e];
          uint32_t original = le32(pair), mapped = le32(pair + 4);
          if (original < 0xFFFFFFF0u) map.spared.emplace_back(original, mapped);
        }
        found = true;
      }
      if (!found) return std::nullopt;
      std::sort(map.spared.begin(), map.spared.end());
    }
    maps_.push_back(std::move(map));
    p += length;
  }
  visible_maps_ = maps_.size();
  // Virtual and metadata partitions lie on their partition's plain blocks.
  for (auto& [index, entry] : pending) {
    (void)entry;
    uint16_t number = maps_[index].number;
    size_t physical = maps_.size();
    for (size_t j = 0; j < visible_maps_; ++j)
      if (maps_[j].number == number && maps_[j].kind == Map::kPhysical) physical = j;
    if (physical == maps_.size()) {
      Map plain;
      plain.number = number;
      plain.start = maps_[index].start;
      plain.length = maps_[index].length;
      maps_.push_back(plain);
    }
    maps_[index].physical = physical;
  }
  for (auto& [index, entry] : pending) {
    bool broken = false;
    if (maps_[index].kind == Map::kVirtual) {
      if (auto failure = find_vat(index, &broken)) return failure;
    } else {
      size_t physical = maps_[index].physical;
      if (auto failure = load_system_file(physical, le32(entry + partition_map::kMetadataFile), kTypeMetadata,
                                          &maps_[index].file, &broken))
        return failure;
      if (broken) {
        broken = false;
        if (auto failure =
                load_system_file(physical, le32(entry + partition_map::kMetadataMirror), kTypeMetadataMirror,
                                 &maps_[index].file, &broken))
          return failure;
      }
    }
    if (broken) return std::nullopt;
  }
  *bad = false;
  return std::nullopt;
}

std::optional<Failure> Volume::load_system_file(size_t physical, uint32_t location, uint8_t type, FileData* file,
                                                bool* bad) const {
  LongAd icb;
  icb.length = kBlockSize;
  icb.address = BlockAddress{static_cast<uint16_t>(physical), location};
  BlockAddress where;
  FileEntry entry;
  if (auto failure = read_entry(icb, &where, &entry, bad)) return failure;
  if (*bad || entry.file_type != type) {
    *bad = true;
    return std::nullopt;
  }
  Budget budget{kMaxSystemFileRuns, kMaxContinuations};
  if (auto failure = entry_data(entry, where, &budget, file, bad)) return failure;
  // The metadata file holds whole blocks of the partition it stands for.
  if (file->is_inline) *bad = true;
  for (const DataExtent& run : file->runs)
    if (run.image_offset % kBlockSize != 0 || run.length % kBlockSize != 0) *bad = true;
  index_runs(file);
  return std::nullopt;
}

std::optional<Failure> Volume::find_vat(size_t index, bool* bad) {
  *bad = true;
  Map& map = maps_[index];
  const int64_t last = image_.image_size() / kBlockSize - 1;
  for (int64_t sector = last; sector >= 0 && sector > last - 16; --sector) {
    if (sector < map.start) break;
    LongAd icb;
    icb.length = kBlockSize;
    icb.address = BlockAddress{static_cast<uint16_t>(map.physical), static_cast<uint32_t>(sector - map.start)};
    BlockAddress where;
    FileEntry entry;
    bool broken = false;
    if (auto failure = read_entry(icb, &where, &entry, &broken)) return failure;
    if (broken) continue;
    FileData table;
    Budget budget{kMaxSystemFileRuns, kMaxContinuations};
    if (entry.file_type == kTypeVat) {
      if (auto failure = entry_data(entry, where, &budget, &table, &broken)) return failure;
      index_runs(&table);
      unsigned char header[2];
      if (broken || table.length < vat::kMinHeader) continue;
      if (auto failure = read_file_bytes(table, vat::kHeaderLength, 2, header, &broken)) return failure;
      int64_t first = le16(header);
      if (broken || first < vat::kMinHeader || first > table.length) continue;
      map.vat_first = first;
      map.vat_count = (table.length - first) / vat::kEntrySize;
    } else if (entry.file_type == kTypeUnspecified) {
      // The table of UDF 1.50 ends with an identifier and the previous table's place.
      if (auto failure = entry_data(entry, where, &budget, &table, &broken)) return failure;
      index_runs(&table);
      unsigned char trailer[vat::kTrailerSize];
      if (broken || table.length < vat::kTrailerSize) continue;
      if (auto failure = read_file_bytes(table, table.length - vat::kTrailerSize, vat::kTrailerSize, trailer, &broken))
        return failure;
      if (broken || !identifier_is(trailer, "*UDF Virtual Alloc Tbl")) continue;
      map.vat_first = 0;
      map.vat_count = (table.length - vat::kTrailerSize) / vat::kEntrySize;
    } else {
      continue;
    }
    map.file = std::move(table);
    sectors_spanned_ = sector + 1;
    *bad = false;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<Failure> Volume::read_file_bytes(const FileData& file, int64_t offset, int64_t count,
                                               unsigned char* out, bool* bad) const {
  *bad = true;
  if (offset < 0 || count < 0 || offset > file.length || count > file.length - offset) return std::nullopt;
  if (file.is_inline) {
    if (offset + count > int64_t(file.inline_bytes.size())) return std::nullopt;
    memcpy(out, file.inline_bytes.data() + offset, size_t(count));
    *bad = false;
    return std::nullopt;
  }
  int64_t at = 0;
  for (size_t i = first_run(file, offset, &at); i < file.runs.size(); ++i) {
    const DataExtent& run = file.runs[i];
    if (count == 0) break;
    if (offset < at + run.length) {
      int64_t inside = offset - at, take = std::min(count, run.length - inside);
      if (run.image_offset < 0) {
        memset(out, 0, size_t(take));
      } else if (auto failure = read_exact(image_, run.image_offset + inside, out, take)) {
        return failure;
      }
      out += take;
      offset += take;
      count -= take;
    }
    at += run.length;
  }
  *bad = count != 0;
  return std::nullopt;
}

std::optional<Failure> Volume::map_blocks(uint16_t partition, uint32_t block, int64_t bytes, Budget* budget,
                                          std::vector<DataExtent>* runs, bool* bad) const {
  *bad = true;
  if (partition >= maps_.size() || bytes <= 0) return std::nullopt;
  const Map& map = maps_[partition];
  const int64_t count = blocks_of(bytes);
  auto take = [&](int64_t offset, int64_t length) {
    length = std::min(length, bytes);
    bytes -= length;
    size_t before = runs->size();
    add_run(runs, offset, length);
    if (runs->size() == before) return true;
    if (budget->runs == 0) return false;
    --budget->runs;
    return true;
  };
  if (map.kind == Map::kPhysical) {
    if (int64_t{block} + count > map.length) return std::nullopt;
    *bad = !take((map.start + block) * kBlockSize, count * kBlockSize);
    return std::nullopt;
  }
  if (map.kind == Map::kMetadata) {
    // The partition's blocks are the metadata file's bytes.
    int64_t offset = int64_t{block} * kBlockSize, at = 0;
    if (offset + count * kBlockSize > map.file.length || map.file.is_inline) return std::nullopt;
    for (size_t i = first_run(map.file, offset, &at); i < map.file.runs.size(); ++i) {
      const DataExtent& run = map.file.runs[i];
      if (bytes == 0) break;
      if (offset < at + run.length) {
        if (run.image_offset < 0) return std::nullopt;
        int64_t inside = offset - at, length = std::min(bytes, run.length - inside);
        if (!take(run.image_offset + inside, length)) return std::nullopt;
        offset += length;
      }
      at += run.length;
    }
    *bad = bytes != 0;
    return std::nullopt;
  }
  if (map.kind == Map::kSparable) {
    // Packet by packet: a spared packet lies where the sparing table says.
    if (int64_t{block} + count > map.length) return std::nullopt;
    for (int64_t b = block; b < int64_t{block} + count;) {
      const uint32_t packet = static_cast<uint32_t>(b) & ~(map.packet - 1);
      const int64_t in_packet = std::min<int64_t>(packet + int64_t{map.packet} - b, int64_t{block} + count - b);
      int64_t sector = map.start + b;
      auto spared = std::lower_bound(map.spared.begin(), map.spared.end(), std::make_pair(packet, uint32_t{0}));
      if (spared != map.spared.end() && spared->first == packet) sector = int64_t{spared->second} + (b - packet);
      if (!take(sector * kBlockSize, in_packet * kBlockSize)) return std::nullopt;
      b += in_packet;
    }
    *bad = false;
    return std::nullopt;
  }
  // Virtual: block by block through the allocation table.
  for (int64_t i = 0; i < count; ++i) {
    const int64_t b = int64_t{block} + i;
    if (b >= map.vat_count || budget->lookups == 0) return std::nullopt;
    --budget->lookups;
    unsigned char entry[4];
    bool unreadable = false;
    if (auto failure = read_file_bytes(map.file, map.vat_first + vat::kEntrySize * b, vat::kEntrySize, entry,
                                       &unreadable))
      return failure;
    const Map& plain = maps_[map.physical];
    if (unreadable || le32(entry) >= plain.length) return std::nullopt;
    if (!take((plain.start + le32(entry)) * kBlockSize, kBlockSize)) return std::nullopt;
  }
  *bad = false;
  return std::nullopt;
}

std::optional<Failure> Volume::read_block(BlockAddress address, unsigned char* block, bool* bad) const {
  std::vector<DataExtent> runs;
  Budget budget{1, 1};
  if (auto failure = map_blocks(address.partition, address.block, kBlockSize, &budget, &runs, bad)) return failure;
  if (*bad) return std::nullopt;
  if (runs.size() != 1 || runs[0].image_offset < 0 || runs[0].image_offset + kBlockSize > image_.image_size()) {
    *bad = true;
    return std::nullopt;
  }
  return read_exact(image_, runs[0].image_offset, block, kBlockSize);
}

std::optional<Failure> Volume::read_entry(const LongAd& icb, BlockAddress* where, FileEntry* entry, bool* bad) const {
  unsigned char block[kBlockSize];
  BlockAddress address = icb.address;
  for (int hop = 0; hop <= kMaxIndirections; ++hop) {
    if (auto failure = read_block(address, block, bad)) return failure;
    if (*bad) return std::nullopt;
    if (has_tag(block, kBlockSize, kIndirectEntry, address.block)) {
      address = read_long_ad(block + indirect_entry::kIcb).address;
      continue;
    }
    if (!read_file_entry(block, kBlockSize, address.block, entry)) {
      *bad = true;
      return std::nullopt;
    }
    if (entry->strategy == 4096 && address.block != UINT32_MAX) {
      // Strategy 4096 keeps a newer entry through an indirect entry in the next block.
      BlockAddress next{address.partition, address.block + 1};
      bool none = false;
      if (auto failure = read_block(next, block, &none)) return failure;
      if (!none && has_tag(block, kBlockSize, kIndirectEntry, next.block)) {
        address = read_long_ad(block + indirect_entry::kIcb).address;
        continue;
      }
    }
    *where = address;
    *bad = false;
    return std::nullopt;
  }
  *bad = true;
  return std::nullopt;
}

std::optional<Failure> Volume::entry_data(const FileEntry& entry, BlockAddress where, Budget* budget, FileData* data,
                                          bool* bad) const {
  *bad = true;
  *data = FileData();
  if (entry.information_length > uint64_t(INT64_MAX)) return std::nullopt;
  const int64_t length = static_cast<int64_t>(entry.information_length);
  if (entry.ad_kind == kInline) {
    data->is_inline = true;
    data->inline_bytes = entry.ads.substr(0, size_t(std::min<int64_t>(length, int64_t(entry.ads.size()))));
    data->length = int64_t(data->inline_bytes.size());
    *bad = false;
    return std::nullopt;
  }
  if (entry.ad_kind != kShortAds && entry.ad_kind != kLongAds) return std::nullopt;
  const size_t ad_size = entry.ad_kind == kShortAds ? short_ad::kSize : long_ad::kSize;
  std::string ads = entry.ads;
  int64_t have = 0;
  int continuations = 0;
  unsigned char block[kBlockSize];
  for (size_t at = 0; at + ad_size <= ads.size() && have < length;) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(ads.data()) + at;
    at += ad_size;
    uint32_t raw = le32(p + short_ad::kLength), extent = raw & 0x3FFFFFFF, type = raw >> 30;
    BlockAddress address = ad_size == short_ad::kSize ? BlockAddress{where.partition, le32(p + short_ad::kBlock)}
                                                      : read_long_ad(p).address;
    if (extent == 0) break;
    if (type == 3) {
      // The descriptors go on in an allocation extent descriptor.
      if (++continuations > kMaxContinuations || budget->lookups == 0) return std::nullopt;
      --budget->lookups;
      bool unreadable = false;
      if (auto failure = read_block(address, block, &unreadable)) return failure;
      if (unreadable || !has_tag(block, kBlockSize, kAllocationExtent, address.block)) return std::nullopt;
      uint32_t count = le32(block + allocation_extent::kAdLength);
      if (count > kBlockSize - allocation_extent::kFixedPart || count > extent) return std::nullopt;
      ads.assign(reinterpret_cast<const char*>(block + allocation_extent::kFixedPart), count);
      at = 0;
      continue;
    }
    int64_t take = std::min<int64_t>(extent, length - have);
    if (type == 0) {
      // A long descriptor names a partition of the volume; a short one
      // stays in the entry's own.
      if (ad_size == long_ad::kSize && address.partition >= visible_maps_) return std::nullopt;
      bool unmapped = false;
      if (auto failure = map_blocks(address.partition, address.block, take, budget, &data->runs, &unmapped))
        return failure;
      if (unmapped) return std::nullopt;
    } else if (!add_zeros(&data->runs, take, budget)) {
      return std::nullopt;
    }
    have += take;
  }
  // Bytes the extents do not reach read as zeros.
  if (have < length && !add_zeros(&data->runs, length - have, budget)) return std::nullopt;
  data->length = length;
  *bad = false;
  return std::nullopt;
}

std::optional<Failure> Volume::read_data(const FileData& data, int64_t limit, std::string* bytes, bool* bad) const {
  *bad = true;
  bytes->clear();
  if (data.length > limit) return std::nullopt;
  bytes->resize(size_t(data.length));
  return read_file_bytes(data, 0, data.length, reinterpret_cast<unsigned char*>(&(*bytes)[0]), bad);
}

}  // namespace pdiset::udf
