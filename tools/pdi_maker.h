// Makes test and example image sets: a genuine ISO 9660 image whose directory
// of interest sits at image sector 69 (or wherever the plan puts it), saved as
// a .pdi set (a 304-byte header, then the image sectors) cut into members at
// chosen byte sizes.
//
// File contents are a function of the absolute image byte position, so a byte
// that lands at the wrong place in any output is caught. Images of many GiB
// are streamed: only the metadata sectors are ever held in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "iso_record.h"

#include "pdiset/layout.h"

namespace pdi_maker {

using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;
const uint32_t kDirectorySector = pdiset::kDirectorySector;  // the default place of the directory

// One file record of the directory of interest.
struct FilePlan {
  std::string identifier;    // recorded exactly, e.g. "VIDEO_TS.IFO;1"
  uint64_t size = 0;         // data length (must fit 32 bits unsigned)
  uint8_t flags = 0;         // ISO 9660 file flags; 1 = hidden (not listed)
  uint32_t first_sector = 0; // 0: placed by build_image after the previous file
};

struct ImagePlan {
  std::vector<FilePlan> files;       // in directory order
  int directory_sectors = 1;         // sectors of the directory of interest (grown to fit its records)
  bool with_subdirectory = true;     // a subdirectory record (never listed)
  // Recording date and time of every record.
  int year = 2003, month = 2, day = 7, hour = 9, minute = 5, second = 3;
  uint32_t seed = 1;                 // varies the content function

  // Where the directory of interest lies: at least 21 (20 for a root-only
  // layout); the sectors between the volume structures and it stay zero
  // unless a file is placed there (e.g. a file at 69 when the directory is
  // elsewhere).
  uint32_t directory_sector = kDirectorySector;
  // true: the files lie in a subdirectory of the root at sector 20, named
  // subdirectory_name, as on DVD-Video discs. false: the files lie in the
  // root itself, which is then the directory at directory_sector and the
  // target of the volume descriptor's root record.
  bool in_subdirectory = true;
  std::string subdirectory_name = "VIDEO_TS";
  // An empty AUDIO_TS directory recorded in the root before the subdirectory
  // (needs in_subdirectory); its sector follows the directory's subdirectory.
  bool with_audio_ts = false;
  // false: sectors 16 and 17 stay zero (no primary volume descriptor, no
  // terminator); the path tables and directories are still written.
  bool with_volume_descriptor = true;
  // The volume size recorded at offset 80 of the volume descriptor; -1: the
  // image's sector count.
  int64_t volume_sectors = -1;
  // 0: the image ends with the last sector of file data. Otherwise the image
  // (and so the set) has exactly this many sectors: files may lie past its
  // end, their bytes then in no member.
  uint64_t image_sectors = 0;
};

// A placed file: where its data landed in the image.
struct PlacedFile {
  std::string identifier;
  uint64_t size = 0;
  uint8_t flags = 0;
  uint32_t first_sector = 0;
};

struct Image {
  std::vector<uint8_t> metadata;     // sectors 0 .. metadata_sectors-1, built in memory
  std::vector<PlacedFile> files;     // every record of the directory of interest but "." and "..", in order
  uint64_t sector_count = 0;         // total sectors of the image
  uint32_t directory_sector = kDirectorySector;  // where the directory of interest lies
  uint32_t directory_sectors = 1;    // and how many sectors it has
  uint32_t seed = 1;
};

// Builds the volume: primary volume descriptor at 16, terminator at 17, both
// path tables, a root directory at 20 (or the root at the directory's place),
// the directory of interest (".", "..", the files, the subdirectory) and file
// data after the metadata. Files without a first_sector are placed in order
// after the metadata, each on its own sectors.
Image build_image(const ImagePlan& plan);

// The image's byte at absolute image byte position pos (0 = first byte of
// sector 0): metadata where it lies, the content function inside a file's
// data, zero elsewhere.
uint8_t image_byte(const Image& image, uint64_t pos);

// Fills out with count image bytes starting at pos.
void image_bytes(const Image& image, uint64_t pos, uint8_t* out, size_t count);

// The content function used for file data (depends on the seed and pos only).
uint8_t content_byte(uint32_t seed, uint64_t pos);

// The set's stream is the 304-byte header followed by every image sector.
uint64_t stream_size(const Image& image);

// Writes NAME.pdi, NAME.pdi01, ... The first member_sizes.size() members get
// exactly those byte sizes; the last member takes the rest of the stream
// (which must be at least 1 byte unless the sizes add up to the whole stream
// exactly, in which case no extra member is written). Returns the names of
// the members written, or an empty list with *error set.
std::vector<std::string> write_set(const Image& image, const std::string& set_name,
                                   const std::vector<uint64_t>& member_sizes,
                                   std::string* error);

// Writes the plain image (no header) to path, for comparison with a conversion.
bool write_iso(const Image& image, const std::string& path, std::string* error);

// The set's 304-byte header: text and a non-zero pattern; readers skip it.
void stream_header(uint8_t* out);

// Fills out with count bytes of the set's stream starting at pos.
void stream_bytes(const Image& image, uint64_t pos, uint8_t* out, size_t count);

// NAME.pdi for index 0, then NAME.pdi01, NAME.pdi02, ... NAME.pdi100, ...
std::string member_name(const std::string& set_name, size_t index);

// A DVD-Video-like file list: VIDEO_TS.IFO;1, VIDEO_TS.BUP;1, VTS_01_0.IFO;1,
// VTS_01_0.BUP;1 and vob_count VOB files of vob_size bytes each (the last one
// shorter, so that not every size is a multiple of 2048).
std::vector<FilePlan> dvd_files(int vob_count, uint64_t vob_size);

}  // namespace pdi_maker
