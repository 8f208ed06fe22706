// Builds the volume's metadata sectors and places the file data.
#include "pdi_maker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "pdiset/iso9660_fields.h"

namespace pdi_maker {
namespace {

using namespace pdiset::iso9660;

const uint32_t kPvdSector = 16;
const uint32_t kTerminatorSector = 17;
const uint32_t kLPathTableSector = 18;
const uint32_t kMPathTableSector = 19;
const uint32_t kRootSector = 20;
// INNER.DAT is shorter than a sector, so a reader must stop at its size.
const uint32_t kInnerSize = 1500;
// A record's length byte must hold 33 + identifier + padding.
const size_t kMaxIdentifier = 221;


// Space-padded text field of the volume descriptor.
void put_text(uint8_t* p, size_t width, const char* text) {
  memset(p, ' ', width);
  memcpy(p, text, std::min(width, strlen(text)));
}

// The record of the directory's own or parent entry, or of a file, dated as
// the plan says.
RecordPlan record(const std::string& identifier, uint32_t extent, uint32_t length, uint8_t flags,
                  const ImagePlan& plan) {
  RecordPlan r;
  r.identifier = identifier;
  r.extent = extent;
  r.data_length = length;
  r.flags = flags;
  const int date[6] = {plan.year - 1900, plan.month, plan.day, plan.hour, plan.minute, plan.second};
  for (int i = 0; i < 6; ++i) r.date[i] = uint8_t(date[i]);
  return r;
}

// Walks the records as they are laid out: a record that does not fit in the
// rest of a sector starts the next one. Returns the sectors used; with dir set,
// also writes them there.
uint32_t lay_out(const std::vector<RecordPlan>& records, uint8_t* dir) {
  size_t offset = 0;
  for (const RecordPlan& r : records) {
    size_t len = record_length(r);
    size_t used = offset % kSectorSize;
    if (used + len > size_t(kSectorSize)) offset += kSectorSize - used;
    if (dir) put_record(dir + offset, r);
    offset += len;
  }
  return uint32_t((offset + kSectorSize - 1) / kSectorSize);
}

std::string dot() { return std::string(1, '\0'); }
std::string dot_dot() { return std::string(1, '\1'); }

uint32_t sectors_for(uint64_t size) { return uint32_t((size + kSectorSize - 1) / kSectorSize); }

// "YYYYMMDDHHMMSScc" plus a zero time zone byte.
void put_volume_date(uint8_t* p, const ImagePlan& plan) {
  char text[32];
  snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", plan.year % 10000, plan.month % 100,
           plan.day % 100, plan.hour % 100, plan.minute % 100, plan.second % 100);
  memcpy(p, text, 16);
  p[16] = 0;
}

void put_path_entry(uint8_t* p, const std::string& name, uint32_t extent, uint16_t parent,
                    bool big_endian) {
  size_t n = name.empty() ? 1 : name.size();
  p[0] = uint8_t(n);
  p[1] = 0;
  if (big_endian) {
    put_be32(p + 2, extent);
    put_be16(p + 6, parent);
  } else {
    put_le32(p + 2, extent);
    put_le16(p + 6, parent);
  }
  memcpy(p + 8, name.data(), name.size());  // the root's name is the single zero byte
}

size_t path_entry_size(const std::string& name) {
  size_t n = name.empty() ? 1 : name.size();
  return 8 + n + (n % 2);
}

struct PathEntry {
  std::string name;  // empty for the root
  uint32_t extent;
  uint16_t parent;   // number of the parent's entry, from 1
};

uint32_t write_path_table(uint8_t* p, const std::vector<PathEntry>& entries, bool big_endian) {
  size_t at = 0;
  for (const PathEntry& e : entries) {
    put_path_entry(p + at, e.name, e.extent, e.parent, big_endian);
    at += path_entry_size(e.name);
  }
  return uint32_t(at);
}

void write_pvd(uint8_t* p, const ImagePlan& plan, uint32_t volume_sectors, uint32_t path_table_size,
               const RecordPlan& root) {
  put_volume_descriptor(p, "PDI_TEST_SET", volume_sectors, root);
  put_text(p + kSystemIdentifier, 32, "QUARNEX TEST");
  put_both16(p + kVolumeSetSize, 1);
  put_both16(p + kVolumeSequenceNumber, 1);
  put_both16(p + kLogicalBlockSize, kSectorSize);
  put_both32(p + kPathTableSize, path_table_size);
  put_le32(p + kLPathTable, kLPathTableSector);
  put_be32(p + kMPathTable, kMPathTableSector);
  put_text(p + 190, 128, "");
  put_text(p + 318, 128, "");
  put_text(p + 446, 128, "");
  put_text(p + 574, 128, "PDI_MAKER");
  put_text(p + 702, 37, "");
  put_text(p + 739, 37, "");
  put_text(p + 776, 37, "");
  put_volume_date(p + kCreationDate, plan);
  put_volume_date(p + kModificationDate, plan);
  memset(p + 847, '0', 16);  // no expiration or effective date
  memset(p + 864, '0', 16);
  p[kFileStructureVersion] = 1;
}

// Where the volume's directories lie.
struct Places {
  uint32_t root;        // the root directory (the directory itself in a root-only layout)
  uint32_t root_sectors;
  uint32_t dir;         // the directory of interest
  uint32_t dir_sectors;
  uint32_t sub = 0;     // SUBDIR and its INNER.DAT (with_subdirectory)
  uint32_t inner = 0;
  uint32_t audio = 0;   // AUDIO_TS (with_audio_ts)
  uint32_t metadata_sectors;
};

// Sectors the volume structures use; data of explicitly placed files may show
// through everywhere else inside the metadata.
bool is_structure_sector(uint64_t sector, const ImagePlan& plan, const Places& at) {
  if (sector >= kPvdSector && sector <= kMPathTableSector) return true;
  if (sector >= at.root && sector < uint64_t(at.root) + at.root_sectors) return true;
  if (sector >= at.dir && sector < uint64_t(at.dir) + at.dir_sectors) return true;
  if (plan.with_subdirectory && (sector == at.sub || sector == at.inner)) return true;
  return at.audio != 0 && sector == at.audio;
}

}  // namespace

Image build_image(const ImagePlan& plan) {
  Image image;
  image.seed = plan.seed;

  Places at;
  const uint32_t lowest = plan.in_subdirectory ? kRootSector + 1 : kRootSector;
  at.dir = std::max(plan.directory_sector, lowest);
  at.root = plan.in_subdirectory ? kRootSector : at.dir;
  uint32_t parent = plan.in_subdirectory ? kRootSector : at.dir;

  std::vector<RecordPlan> records;
  records.push_back(record(dot(), at.dir, 0, 2, plan));
  records.push_back(record(dot_dot(), parent, kSectorSize, 2, plan));
  for (const FilePlan& f : plan.files) {
    std::string id = f.identifier.substr(0, kMaxIdentifier);
    records.push_back(record(id, f.first_sector, uint32_t(f.size), f.flags, plan));
  }
  if (plan.with_subdirectory) records.push_back(record("SUBDIR", 0, kSectorSize, 2, plan));

  // A directory asked too small for its records is grown rather than cut short.
  at.dir_sectors = uint32_t(std::max(plan.directory_sectors, 1));
  at.dir_sectors = std::max(at.dir_sectors, lay_out(records, nullptr));
  at.root_sectors = plan.in_subdirectory ? 1 : at.dir_sectors;
  uint32_t next = at.dir + at.dir_sectors;
  if (plan.with_subdirectory) {
    at.sub = next++;
    at.inner = next++;
  }
  if (plan.with_audio_ts && plan.in_subdirectory) at.audio = next++;
  at.metadata_sectors = next;
  image.directory_sector = at.dir;
  image.directory_sectors = at.dir_sectors;

  const uint32_t dir_length = at.dir_sectors * kSectorSize;
  records[0].data_length = dir_length;
  if (!plan.in_subdirectory) records[1].data_length = dir_length;
  if (plan.with_subdirectory) records.back().extent = at.sub;

  // Place the data: automatic files go after everything placed before them.
  uint64_t next_free = at.metadata_sectors;
  uint64_t sector_count = at.metadata_sectors;
  for (size_t i = 0; i < plan.files.size(); ++i) {
    RecordPlan& r = records[i + 2];
    if (r.extent == 0) r.extent = uint32_t(next_free);
    uint64_t end = uint64_t(r.extent) + sectors_for(plan.files[i].size);
    next_free = std::max(next_free, end);
    sector_count = std::max(sector_count, end);
  }
  for (size_t i = 2; i < records.size(); ++i) {  // all but "." and ".."
    const RecordPlan& r = records[i];
    image.files.push_back(PlacedFile{r.identifier, r.data_length, r.flags, r.extent});
  }
  image.sector_count = plan.image_sectors > 0 ? plan.image_sectors : sector_count;

  std::vector<uint8_t>& m = image.metadata;
  m.assign(size_t(at.metadata_sectors) * kSectorSize, 0);
  // Explicitly placed data inside the metadata area shows in the unused sectors.
  for (const PlacedFile& f : image.files) {
    uint64_t begin = uint64_t(f.first_sector) * kSectorSize;
    uint64_t end = std::min<uint64_t>(begin + f.size, m.size());
    for (uint64_t pos = begin; pos < end; ++pos) {
      if (!is_structure_sector(pos / kSectorSize, plan, at)) m[pos] = content_byte(plan.seed, pos);
    }
  }

  // Path tables list directories by level, then by parent and name.
  std::vector<PathEntry> paths = {{"", at.root, 1}};
  uint16_t dir_number = 1;
  if (plan.in_subdirectory) {
    if (at.audio) paths.push_back({"AUDIO_TS", at.audio, 1});
    paths.push_back({plan.subdirectory_name, at.dir, 1});
    dir_number = uint16_t(paths.size());
  }
  if (plan.with_subdirectory) paths.push_back({"SUBDIR", at.sub, dir_number});
  uint32_t l_size = write_path_table(&m[kLPathTableSector * kSectorSize], paths, false);
  write_path_table(&m[kMPathTableSector * kSectorSize], paths, true);

  if (plan.with_volume_descriptor) {
    uint32_t volume = uint32_t(plan.volume_sectors < 0 ? image.sector_count : uint64_t(plan.volume_sectors));
    write_pvd(&m[kPvdSector * kSectorSize], plan, volume, l_size,
              record(dot(), at.root, at.root_sectors * kSectorSize, 2, plan));
    uint8_t* terminator = &m[kTerminatorSector * kSectorSize];
    terminator[kDescriptorType] = 255;
    memcpy(terminator + kStandardIdentifier, "CD001", 5);
    terminator[kDescriptorVersion] = 1;
  }

  if (plan.in_subdirectory) {
    std::vector<RecordPlan> root = {
        record(dot(), kRootSector, kSectorSize, 2, plan),
        record(dot_dot(), kRootSector, kSectorSize, 2, plan),
    };
    if (at.audio) root.push_back(record("AUDIO_TS", at.audio, kSectorSize, 2, plan));
    root.push_back(record(plan.subdirectory_name, at.dir, dir_length, 2, plan));
    lay_out(root, &m[kRootSector * kSectorSize]);
    if (at.audio) {
      std::vector<RecordPlan> audio = {
          record(dot(), at.audio, kSectorSize, 2, plan),
          record(dot_dot(), kRootSector, kSectorSize, 2, plan),
      };
      lay_out(audio, &m[size_t(at.audio) * kSectorSize]);
    }
  }
  lay_out(records, &m[size_t(at.dir) * kSectorSize]);

  if (plan.with_subdirectory) {
    std::vector<RecordPlan> sub = {
        record(dot(), at.sub, kSectorSize, 2, plan),
        record(dot_dot(), at.dir, dir_length, 2, plan),
        record("INNER.DAT;1", at.inner, kInnerSize, 0, plan),
    };
    lay_out(sub, &m[size_t(at.sub) * kSectorSize]);
    uint64_t inner = uint64_t(at.inner) * kSectorSize;
    for (uint64_t pos = inner; pos < inner + kInnerSize; ++pos) m[pos] = content_byte(plan.seed, pos);
  }
  return image;
}

std::vector<FilePlan> dvd_files(int vob_count, uint64_t vob_size) {
  std::vector<FilePlan> files;
  auto add = [&files](const std::string& id, uint64_t size) {
    FilePlan f;
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
