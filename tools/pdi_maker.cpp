// Builds the volume's metadata sectors and places the file data.
#include "pdi_maker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pdi_maker {
namespace {

const uint32_t kPvdSector = 16;
const uint32_t kTerminatorSector = 17;
const uint32_t kLPathTableSector = 18;
const uint32_t kMPathTableSector = 19;
const uint32_t kRootSector = 20;
// INNER.DAT is shorter than a sector, so a reader must stop at its size.
const uint32_t kInnerSize = 1500;
// A record's length byte must hold 33 + identifier + padding.
const size_t kMaxIdentifier = 221;

void put_le16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put_be16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
void put_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void put_be32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * (3 - i)));
}
void put_both16(uint8_t* p, uint16_t v) {
  put_le16(p, v);
  put_be16(p + 2, v);
}
void put_both32(uint8_t* p, uint32_t v) {
  put_le32(p, v);
  put_be32(p + 4, v);
}

// Space-padded text field of the volume descriptor.
void put_text(uint8_t* p, size_t width, const char* text) {
  memset(p, ' ', width);
  memcpy(p, text, std::min(width, strlen(text)));
}

struct Record {
  std::string identifier;
  uint32_t extent;
  uint32_t length;
  uint8_t flags;
};

size_t record_length(const std::string& identifier) {
  return 33 + identifier.size() + (identifier.size() % 2 == 0 ? 1 : 0);
}

void put_record(uint8_t* p, const Record& r, const ImageSpec& plan) {
  p[0] = uint8_t(record_length(r.identifier));
  p[1] = 0;
  put_both32(p + 2, r.extent);
  put_both32(p + 10, r.length);
  p[18] = uint8_t(plan.year - 1900);
  p[19] = uint8_t(plan.month);
  p[20] = uint8_t(plan.day);
  p[21] = uint8_t(plan.hour);
  p[22] = uint8_t(plan.minute);
  p[23] = uint8_t(plan.second);
  p[24] = 0;
  p[25] = r.flags;
  p[26] = 0;
  p[27] = 0;
  put_both16(p + 28, 1);
  p[32] = uint8_t(r.identifier.size());
  memcpy(p + 33, r.identifier.data(), r.identifier.size());
}

// Walks the records as they are laid out: a record that does not fit in the
// rest of a sector starts the next one. Returns the sectors used; with dir set,
// also writes them there.
uint32_t lay_out(const std::vector<Record>& records, const ImageSpec& plan, uint8_t* dir) {
  size_t offset = 0;
  for (const Record& r : records) {
    size_t len = record_length(r.identifier);
    size_t used = offset % kSectorSize;
    if (used + len > size_t(kSectorSize)) offset += kSectorSize - used;
    if (dir) put_record(dir + offset, r, plan);
    offset += len;
  }
  return uint32_t((offset + kSectorSize - 1) / kSectorSize);
}

std::string dot() { return std::string(1, '\0'); }
std::string dot_dot() { return std::string(1, '\1'); }

uint32_t sectors_for(uint64_t size) { return uint32_t((size + kSectorSize - 1) / kSectorSize); }

// "YYYYMMDDHHMMSScc" plus a zero time zone byte.
void put_volume_date(uint8_t* p, const ImageSpec& plan) {
  char text[32];
  snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", plan.year % 10000, plan.month % 100,
           plan.day % 100, plan.hour % 100, plan.minute % 100, plan.second % 100);
  memcpy(p, text, 16);
  p[16] = 0;
}

void put_path_entry(uint8_t* p, const char* name, uint32_t extent, uint16_t parent,
                    bool big_endian) {
  size_t n = strlen(name) == 0 ? 1 : strlen(name);
  p[0] = uint8_t(n);
  p[1] = 0;
  if (big_endian) {
    put_be32(p + 2, extent);
    put_be16(p + 6, parent);
  } else {
    put_le32(p + 2, extent);
    put_le16(p + 6, parent);
  }
  memcpy(p + 8, name, strlen(name));  // the root's name is the single zero byte
}

size_t path_entry_size(const char* name) {
  size_t n = strlen(name) == 0 ? 1 : strlen(name);
  return 8 + n + (n % 2);
}

uint32_t write_path_table(uint8_t* p, uint32_t dir_sector, uint32_t sub_sector, bool with_sub,
                          bool big_endian) {
  size_t at = 0;
  put_path_entry(p + at, "", kRootSector, 1, big_endian);
  at += path_entry_size("");
  put_path_entry(p + at, "VIDEO_TS", dir_sector, 1, big_endian);
  at += path_entry_size("VIDEO_TS");
  if (with_sub) {
    put_path_entry(p + at, "SUBDIR", sub_sector, 2, big_endian);
    at += path_entry_size("SUBDIR");
  }
  return uint32_t(at);
}

void write_pvd(uint8_t* p, const ImageSpec& plan, uint64_t sector_count, uint32_t path_table_size) {
  p[0] = 1;
  memcpy(p + 1, "CD001", 5);
  p[6] = 1;
  put_text(p + 8, 32, "QUARNEX TEST");
  put_text(p + 40, 32, "PDI_TEST_SET");
  put_both32(p + 80, uint32_t(sector_count));
  put_both16(p + 120, 1);
  put_both16(p + 124, 1);
  put_both16(p + 128, kSectorSize);
  put_both32(p + 132, path_table_size);
  put_le32(p + 140, kLPathTableSector);
  put_be32(p + 148, kMPathTableSector);
  put_record(p + 156, Record{dot(), kRootSector, kSectorSize, 2}, plan);
  put_text(p + 190, 128, "");
  put_text(p + 318, 128, "");
  put_text(p + 446, 128, "");
  put_text(p + 574, 128, "PDI_MAKER");
  put_text(p + 702, 37, "");
  put_text(p + 739, 37, "");
  put_text(p + 776, 37, "");
  put_volume_date(p + 813, plan);
  put_volume_date(p + 830, plan);
  memset(p + 847, '0', 16);  // no expiration or effective date
  memset(p + 864, '0', 16);
  p[881] = 1;
}

// Sectors the volume structures use; data of explicitly placed files may show
// through everywhere else inside the metadata.
bool is_structure_sector(uint64_t sector, uint32_t dir_sectors, bool with_sub) {
  if (sector >= kPvdSector && sector <= kRootSector) return true;
  return sector >= kDirectorySector && sector < kDirectorySector + dir_sectors + (with_sub ? 2 : 0);
}

}  // namespace

Image build_image(const ImageSpec& plan) {
  Image image;
  image.seed = plan.seed;

  std::vector<Record> records;
  records.push_back(Record{dot(), kDirectorySector, 0, 2});
  records.push_back(Record{dot_dot(), kRootSector, kSectorSize, 2});
  for (const FileSpec& f : plan.files) {
    std::string id = f.identifier.substr(0, kMaxIdentifier);
    records.push_back(Record{id, f.first_sector, uint32_t(f.size), f.flags});
  }
  if (plan.with_subdirectory) records.push_back(Record{"SUBDIR", 0, kSectorSize, 2});

  // A directory asked too small for its records is grown rather than cut short.
  uint32_t dir_sectors = uint32_t(std::max(plan.directory_sectors, 1));
  dir_sectors = std::max(dir_sectors, lay_out(records, plan, nullptr));
  uint32_t sub_sector = kDirectorySector + dir_sectors;
  uint32_t inner_sector = sub_sector + 1;
  uint32_t metadata_sectors = plan.with_subdirectory ? inner_sector + 1 : sub_sector;

  records[0].length = dir_sectors * kSectorSize;
  if (plan.with_subdirectory) records.back().extent = sub_sector;

  // Place the data: automatic files go after everything placed before them.
  uint64_t next_free = metadata_sectors;
  uint64_t sector_count = metadata_sectors;
  for (size_t i = 0; i < plan.files.size(); ++i) {
    Record& r = records[i + 2];
    if (r.extent == 0) r.extent = uint32_t(next_free);
    uint64_t end = uint64_t(r.extent) + sectors_for(plan.files[i].size);
    next_free = std::max(next_free, end);
    sector_count = std::max(sector_count, end);
  }
  for (size_t i = 2; i < records.size(); ++i) {  // all but "." and ".."
    const Record& r = records[i];
    image.files.push_back(PlacedFile{r.identifier, r.length, r.flags, r.extent});
  }
  image.sector_count = sector_count;

  std::vector<uint8_t>& m = image.metadata;
  m.assign(size_t(metadata_sectors) * kSectorSize, 0);
  // Explicitly placed data inside the metadata area shows in the unused sectors.
  for (const PlacedFile& f : image.files) {
    uint64_t begin = uint64_t(f.first_sector) * kSectorSize;
    uint64_t end = std::min<uint64_t>(begin + f.size, m.size());
    for (uint64_t pos = begin; pos < end; ++pos) {
      if (!is_structure_sector(pos / kSectorSize, dir_sectors, plan.with_subdirectory)) {
        m[pos] = content_byte(plan.seed, pos);
      }
    }
  }

  uint32_t l_size = write_path_table(&m[kLPathTableSector * kSectorSize], kDirectorySector,
                                     sub_sector, plan.with_subdirectory, false);
  write_path_table(&m[kMPathTableSector * kSectorSize], kDirectorySector, sub_sector,
                   plan.with_subdirectory, true);
  write_pvd(&m[kPvdSector * kSectorSize], plan, sector_count, l_size);
  uint8_t* terminator = &m[kTerminatorSector * kSectorSize];
  terminator[0] = 255;
  memcpy(terminator + 1, "CD001", 5);
  terminator[6] = 1;

  std::vector<Record> root = {
      Record{dot(), kRootSector, kSectorSize, 2},
      Record{dot_dot(), kRootSector, kSectorSize, 2},
      Record{"VIDEO_TS", kDirectorySector, dir_sectors * kSectorSize, 2},
  };
  lay_out(root, plan, &m[kRootSector * kSectorSize]);
  lay_out(records, plan, &m[kDirectorySector * kSectorSize]);

  if (plan.with_subdirectory) {
    std::vector<Record> sub = {
        Record{dot(), sub_sector, kSectorSize, 2},
        Record{dot_dot(), kDirectorySector, dir_sectors * kSectorSize, 2},
        Record{"INNER.DAT;1", inner_sector, kInnerSize, 0},
    };
    lay_out(sub, plan, &m[size_t(sub_sector) * kSectorSize]);
    uint64_t inner = uint64_t(inner_sector) * kSectorSize;
    for (uint64_t pos = inner; pos < inner + kInnerSize; ++pos) m[pos] = content_byte(plan.seed, pos);
  }
  return image;
}

std::vector<FileSpec> dvd_files(int vob_count, uint64_t vob_size) {
  std::vector<FileSpec> files;
  auto add = [&files](const std::string& id, uint64_t size) {
    FileSpec f;
    f.identifier = id;
    f.size = size;
    files.push_back(f);
  };
  add("VIDEO_TS.IFO;1", 12288);
  add("VIDEO_TS.BUP;1", 12288);
  add("VTS_01_0.IFO;1", 24576);
  add("VTS_01_0.BUP;1", 24576);
  for (int i = 1; i <= vob_count; ++i) {
    uint64_t size = vob_size;
    if (i == vob_count && size > 0) {
      size = vob_size - vob_size / 4 - 1;
      if (size > 0 && size % kSectorSize == 0) size -= 1;
    }
    add("VTS_01_" + std::to_string(i) + ".VOB;1", size);
  }
  return files;
}

}  // namespace pdi_maker
