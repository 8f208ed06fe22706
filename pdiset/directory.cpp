#include "directory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "iso9660_fields.h"
#include "iso_records.h"
#include "layout.h"
#include "names.h"
#include "volume_descriptors.h"

namespace pdiset {

using namespace iso9660;

namespace {

int64_t round_up_to_sector(int64_t p) { return (p + kSectorSize - 1) / kSectorSize * kSectorSize; }

// A directory's bytes read from the image: its data length rounded up to
// whole sectors (at least one), no more than the limit.
struct ReadDirectory {
  std::vector<unsigned char> bytes;
  int64_t got = 0;  // bytes the set really holds of it
};

std::optional<Failure> read_extent(const ImageSource& image, uint32_t sector, uint32_t data_length,
                                   ReadDirectory* out) {
  int64_t length = std::min<int64_t>(round_up_to_sector(std::max<int64_t>(data_length, 1)), kMaxDirectoryBytes);
  out->bytes.assign(static_cast<size_t>(length), 0);
  ReadOutcome read = image.read(int64_t{sector} * kSectorSize, out->bytes.data(), length);
  out->got = read.bytes;
  if (read.failure) return read.failure;
  return std::nullopt;
}

}  // namespace

bool is_listed_file(const DirectoryRecord& record) {
  return record.flags == 0 && !record.name.empty() && record.name[0] != 0;
}

std::vector<DirectoryRecord> walk_records(const unsigned char* bytes, int64_t size, int64_t end) {
  bool more = false;
  std::vector<DirectoryRecord> records;
  for (IsoRecord& r : walk_iso_records(bytes, size, SIZE_MAX, &more, ListingWalk{end}))
    records.push_back(std::move(r.record));
  return records;
}

bool starts_with_own_record(const unsigned char* bytes, int64_t size) {
  PaddedBytes d{bytes, std::max<int64_t>(0, size)};
  return d.at(kRecordLength) >= kRecordFixedPart + 1 && d.at(kIdentifierLength) == 1 &&
         d.at(kIdentifier) == 0;
}

// The sector after a one-sector directory usually holds file data, not more
// records, so a directory that gives its own length ends there.
int64_t sector69_walk_end(const unsigned char* bytes, int64_t size) {
  if (!starts_with_own_record(bytes, size)) return kDirectoryReadSize;
  uint32_t data_length = PaddedBytes{bytes, std::max<int64_t>(0, size)}.u32(kDataLength);
  if (data_length < static_cast<uint32_t>(kSectorSize)) return kDirectoryReadSize;
  return std::min<int64_t>(round_up_to_sector(data_length), kMaxDirectoryBytes);
}

std::optional<uint32_t> volume_sectors(const ImageSource& image) {
  VolumeDescriptors descriptors;
  if (read_volume_descriptors(image, &descriptors) || !descriptors.have_primary) return std::nullopt;
  return PaddedBytes{descriptors.primary, kSectorSize}.u32(kVolumeSpaceSize);
}

namespace {

std::string volume_identifier(const unsigned char* pvd) {
  std::string name(reinterpret_cast<const char*>(pvd + kVolumeIdentifier), kVolumeIdentifierSize);
  size_t end = name.find_last_not_of(' ');
  name.resize(end == std::string::npos ? 0 : end + 1);
  return name.find('\0') == std::string::npos ? name : name.substr(0, name.find('\0'));
}

// The records of the root that the primary volume descriptor names; readable
// stays false when there is no descriptor or the root lies past the set.
std::optional<Failure> read_root(const ImageSource& image, uint32_t* root_sector,
                                 std::vector<DirectoryRecord>* records, bool* readable) {
  *readable = false;
  VolumeDescriptors descriptors;
  if (std::optional<Failure> failure = read_volume_descriptors(image, &descriptors)) return failure;
  if (!descriptors.have_primary) return std::nullopt;
  PaddedBytes pvd{descriptors.primary, kSectorSize};
  *root_sector = pvd.u32(kRootRecord + kExtent);
  ReadDirectory root;
  if (std::optional<Failure> failure = read_extent(image, *root_sector, pvd.u32(kRootRecord + kDataLength), &root))
    return failure;
  if (root.got == 0) return std::nullopt;
  *records = walk_records(root.bytes.data(), root.got, static_cast<int64_t>(root.bytes.size()));
  *readable = true;
  return std::nullopt;
}

// The root named by the primary volume descriptor, and its VIDEO_TS
// subdirectory when it has one. Leaves found untouched when neither can be
// read.
std::optional<Failure> find_through_volume_descriptor(const ImageSource& image, FoundDirectory* found) {
  uint32_t root_sector = 0;
  std::vector<DirectoryRecord> records;
  bool readable = false;
  if (std::optional<Failure> failure = read_root(image, &root_sector, &records, &readable)) return failure;
  if (!readable) return std::nullopt;

  for (const DirectoryRecord& r : records) {
    if (!(r.flags & kDirectoryFlag) || !equal_ignoring_ascii_case(r.name, "VIDEO_TS")) continue;
    ReadDirectory video;
    if (std::optional<Failure> failure = read_extent(image, r.first_sector, r.data_length, &video)) return failure;
    if (video.got == 0) return std::nullopt;
    found->source = DirectorySource::kVolumeDescriptor;
    found->name = r.name;
    found->sector = r.first_sector;
    found->records = walk_records(video.bytes.data(), video.got, static_cast<int64_t>(video.bytes.size()));
    return std::nullopt;
  }
  found->source = DirectorySource::kVolumeDescriptor;
  found->name = "";
  found->sector = root_sector;
  found->records = std::move(records);
  return std::nullopt;
}

}  // namespace

VolumeFacts read_volume_facts(const ImageSource& image) {
  VolumeFacts facts;
  VolumeDescriptors descriptors;
  if (read_volume_descriptors(image, &descriptors) || !descriptors.have_primary) return facts;
  facts.volume_sectors = PaddedBytes{descriptors.primary, kSectorSize}.u32(kVolumeSpaceSize);
  facts.volume_name = volume_identifier(descriptors.primary);
  uint32_t root_sector = 0;
  std::vector<DirectoryRecord> records;
  bool readable = false;
  if (read_root(image, &root_sector, &records, &readable) || !readable) return facts;
  for (const DirectoryRecord& r : records)
    if ((r.flags & kDirectoryFlag) && r.first_sector == static_cast<uint32_t>(kDirectorySector) && !r.name.empty() &&
        static_cast<unsigned char>(r.name[0]) > 1)
      facts.sector69_name = r.name;
  return facts;
}

std::optional<Failure> find_directory(const ImageSource& image, FoundDirectory* found) {
  *found = FoundDirectory();

  // Sector 69 is read only as far as the walk may need it: its first sector
  // tells whether a directory starts there and how long it is.
  const int64_t at69 = int64_t{kDirectorySector} * kSectorSize;
  std::vector<unsigned char> bytes(kDirectoryReadSize, 0);
  ReadOutcome read = image.read(at69, bytes.data(), kSectorSize);
  if (read.failure) return read.failure;
  int64_t got = read.bytes;
  auto read_on_to = [&](int64_t end) -> std::optional<Failure> {
    if (got < kSectorSize || end <= kSectorSize) return std::nullopt;
    bytes.resize(static_cast<size_t>(end), 0);
    ReadOutcome more = image.read(at69 + kSectorSize, bytes.data() + kSectorSize, end - kSectorSize);
    got += more.bytes;
    return more.failure;
  };

  if (starts_with_own_record(bytes.data(), got)) {
    int64_t end = sector69_walk_end(bytes.data(), got);
    if (std::optional<Failure> failure = read_on_to(end)) return failure;
    found->source = DirectorySource::kSector69;
    found->sector = kDirectorySector;
    found->records = walk_records(bytes.data(), got, end);
    return std::nullopt;
  }

  if (std::optional<Failure> failure = find_through_volume_descriptor(image, found)) return failure;
  if (found->source == DirectorySource::kVolumeDescriptor) return std::nullopt;

  if (std::optional<Failure> failure = read_on_to(kDirectoryReadSize)) return failure;
  found->source = DirectorySource::kNotFound;
  found->sector = kDirectorySector;
  found->records = walk_records(bytes.data(), got, kDirectoryReadSize);
  return std::nullopt;
}

}  // namespace pdiset
