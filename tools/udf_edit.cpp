#include "udf_edit.h"

#include <cstring>

#include "pdiset/byte_order.h"
#include "pdiset/udf_descriptors.h"
#include "pdiset/udf_fields.h"

namespace udf_edit {

using namespace pdiset::udf;
using pdiset::le16;
using pdiset::le32;

namespace {

void put16(unsigned char* p, uint32_t v) { p[0] = v & 0xFF, p[1] = v >> 8 & 0xFF; }
void put32(unsigned char* p, uint32_t v) { put16(p, v & 0xFFFF), put16(p + 2, v >> 16); }

// Calls visit on each file identifier of folder blocks in sector s.
template <typename Visit>
void each_record(unsigned char* s, Visit visit) {
  namespace fid = file_identifier;
  for (size_t at = 0; at + fid::kFixedPart <= kSector && le16(s + at + tag::kId) == kFileIdentifier;) {
    const size_t length = fid::kFixedPart + le16(s + at + fid::kUseLength) + s[at + fid::kNameLength];
    if (at + length > kSector) break;
    if (visit(s + at)) return;
    at += (length + 3) & ~size_t{3};
  }
}

}  // namespace

void seal(unsigned char* t) {
  unsigned sum = 0;
  for (int i = 0; i < tag::kSize; ++i)
    if (i != tag::kChecksum) sum += t[i];
  t[tag::kChecksum] = sum & 0xFF;
}

bool tagged(const Bytes& image, size_t n, uint16_t id, size_t location) {
  if ((n + 1) * kSector > image.size()) return false;
  const unsigned char* s = image.data() + n * kSector;
  return le16(s + tag::kId) == id && le32(s + tag::kLocation) == location;
}

Partition widen_partition(Bytes& image, uint32_t extra) {
  Partition p;
  for (size_t n = 16; n < 256; ++n) {
    if (!tagged(image, n, kPartition)) continue;
    unsigned char* pd = sector(image, n);
    p = {le32(pd + partition::kStart), le32(pd + partition::kLength)};
    put32(pd + partition::kLength, uint32_t(p.length + extra));
    seal(pd);
  }
  const size_t end = (p.start + p.length + extra) * kSector;
  if (p.length && image.size() < end) image.resize(end, 0);
  return p;
}

unsigned char* find_record(Bytes& image, const Partition& p, const std::string& name) {
  namespace fid = file_identifier;
  unsigned char* found = nullptr;
  for (size_t n = p.start; n < p.start + p.length && !found; ++n)
    each_record(sector(image, n), [&](unsigned char* r) {
      const unsigned char* id = r + fid::kFixedPart + le16(r + fid::kUseLength);
      if (r[fid::kNameLength] == name.size() + 1 && id[0] == 8 && memcmp(id + 1, name.data(), name.size()) == 0)
        found = r;
      return found != nullptr;
    });
  return found;
}

bool move_onto_metadata_partition(Bytes& image) {
  const size_t sectors_before = image.size() / kSector;
  Partition p = widen_partition(image, 8);
  if (!p.length) return false;
  const uint32_t file_block = uint32_t(p.length);  // the metadata file's entry, after the old end
  unsigned char* fe = sector(image, p.start + file_block);
  memset(fe, 0, kSector);
  put16(fe + tag::kId, kFileEntry), put16(fe + tag::kVersion, 2), put32(fe + tag::kLocation, file_block);
  put16(fe + file_entry::kStrategy, 4), fe[file_entry::kFileType] = kTypeMetadata;
  put32(fe + file_entry::kInformationLength, uint32_t(p.length * kSector));
  put32(fe + file_entry::kAdLength, 2 * short_ad::kSize);
  // Block n of the metadata partition is block n of the partition, in two runs.
  unsigned char* ads = fe + file_entry::kFixedPart;
  const uint32_t half = uint32_t(p.length / 2);
  put32(ads + short_ad::kLength, half * kSector), put32(ads + short_ad::kBlock, 0);
  put32(ads + short_ad::kSize + short_ad::kLength, uint32_t(p.length - half) * kSector);
  put32(ads + short_ad::kSize + short_ad::kBlock, half);
  seal(fe);
  bool volume = false;
  for (size_t n = 16; n < 256; ++n) {
    if (!tagged(image, n, kLogicalVolume)) continue;
    unsigned char* lvd = sector(image, n);
    const uint32_t table = le32(lvd + logical_volume::kMapTableLength);
    unsigned char* map = lvd + logical_volume::kMaps + table;
    memset(map, 0, partition_map::kType2Size);
    map[partition_map::kType] = 2, map[partition_map::kLength] = partition_map::kType2Size;
    memcpy(map + partition_map::kIdentifier + 1, "*UDF Metadata Partition", 23);
    put16(map + partition_map::kType2VolumeSequence, 1);  // partition number 0
    put32(map + partition_map::kMetadataFile, file_block), put32(map + partition_map::kMetadataMirror, file_block);
    put32(map + partition_map::kMetadataBitmap, 0xFFFFFFFF);
    put32(lvd + logical_volume::kMapTableLength, table + partition_map::kType2Size);
    put32(lvd + logical_volume::kMapCount, 2);
    put16(lvd + logical_volume::kFileSet + long_ad::kPartition, 1);  // the file set lies in the metadata partition
    seal(lvd);
    volume = true;
  }
  for (size_t n = p.start; n < p.start + p.length; ++n) {
    unsigned char* s = sector(image, n);
    if (tagged(image, n, kFileSet, n - p.start)) put16(s + file_set::kRoot + long_ad::kPartition, 1), seal(s);
    each_record(s, [](unsigned char* r) {
      put16(r + file_identifier::kIcb + long_ad::kPartition, 1);
      seal(r);
      return false;
    });
  }
  if (image.size() / kSector > sectors_before) {
    image.resize(image.size() + kSector, 0);
    const size_t last = image.size() / kSector - 1;
    memcpy(sector(image, last), sector(image, 256), kSector);
    put32(sector(image, last) + tag::kLocation, uint32_t(last));
    seal(sector(image, last));
  }
  return volume;
}

}  // namespace udf_edit
