// ISO 9660 directory records and where the directory of interest is found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "failure.h"
#include "image_source.h"

namespace pdiset {

// One directory record, with what the listing shows of it.
struct DirectoryRecord {
  std::string name;       // the identifier's bytes exactly as recorded
  uint32_t first_sector = 0;
  uint32_t data_length = 0;
  unsigned flags = 0;     // ISO 9660 file flags; 2 = directory
  int year = 1900, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int gmt_offset = 0;     // in 15-minute steps, -48 to 52
};

// A plain file that can be extracted: flags 0 and a name whose first byte is
// not 0 (this leaves out ".", "..", subdirectories and hidden files).
bool is_listed_file(const DirectoryRecord& record);

// quarnex's listing walk (walk_iso_records with its ListingWalk rules): the
// records in bytes[0 .. size) up to byte end (bytes past size count as
// zero); a record length of 0 moves to the next sector start, a sector
// start holding 0 ends the walk. Records whose identifier runs past their
// own length are left out. Returns every record in directory order.
std::vector<DirectoryRecord> walk_records(const unsigned char* bytes, int64_t size, int64_t end);

// Where a walk of a directory read at image sector 69 ends: the end of its
// own extent when it starts with its own "." record of at least one sector,
// else the end of the ten sectors read there.
int64_t sector69_walk_end(const unsigned char* bytes, int64_t size);

// True when bytes begin with a directory's own "." record.
bool starts_with_own_record(const unsigned char* bytes, int64_t size);

enum class DirectorySource {
  kSector69,          // a directory starting with its "." record at sector 69
  kVolumeDescriptor,  // VIDEO_TS in the root, or the root, from the primary volume descriptor
  kNotFound,          // neither: sector 69 walked all the same
};

struct FoundDirectory {
  DirectorySource source = DirectorySource::kNotFound;
  // The directory's own name as the root records it ("VIDEO_TS"); "" for
  // the root and for the directory at sector 69.
  std::string name;
  uint32_t sector = 0;         // where the directory starts
  std::vector<DirectoryRecord> records;  // every record walked, in order
};

// The most bytes of one directory that are read (a hostile length asks more).
const int64_t kMaxDirectoryBytes = 16 * 1024 * 1024;

// Finds and walks the directory of interest: sector 69 when it begins with
// the directory's own record; else, when the volume descriptors hold a
// primary one (volume_descriptors.h), the root's VIDEO_TS subdirectory or
// the root; else sector 69
// anyway (source kNotFound). Only a failed read is a failure.
std::optional<Failure> find_directory(const ImageSource& image, FoundDirectory* found);

// The primary volume descriptor's volume size, when there is one.
std::optional<uint32_t> volume_sectors(const ImageSource& image);

// What the primary volume descriptor tells beyond the directory; read only
// by those who need it (each read is one more touch of the set).
struct VolumeFacts {
  std::optional<uint32_t> volume_sectors;  // none without a descriptor
  std::string volume_name;                 // its volume identifier, blanks trimmed
  std::string sector69_name;               // the root's name for a directory at sector 69
};
VolumeFacts read_volume_facts(const ImageSource& image);

}  // namespace pdiset
