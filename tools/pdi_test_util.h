// Helpers for the maker's tests: a scratch folder, running tools, and an ISO
// 9660 directory reader written apart from the maker so the two check each other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdi_maker.h"

namespace pdi_test {

// A fresh folder under the temp directory, removed with everything in it.
struct TempDir {
  std::string path;
  TempDir();
  ~TempDir();
};

// Runs a shell command; returns its standard output and sets *status to the exit code.
std::string run(const std::string& command, int* status);

bool have_program(const char* name);

std::vector<uint8_t> read_file(const std::string& path);

std::vector<uint8_t> image_range(const pdi_maker::Image& image, uint64_t pos, size_t count);

uint16_t le16(const uint8_t* p);
uint16_t be16(const uint8_t* p);
uint32_t le32(const uint8_t* p);
uint32_t be32(const uint8_t* p);

struct DirRecord {
  uint64_t offset = 0;  // from the start of the directory
  std::string identifier;
  uint32_t extent = 0;
  uint32_t size = 0;
  uint8_t flags = 0;
  bool both_endian_agree = false;
  bool padding_right = false;  // the length byte matches 33 + identifier + pad
  uint8_t date[7] = {};
  uint16_t volume_sequence = 0;
};

struct Directory {
  std::vector<DirRecord> records;
  bool crosses_sector = false;  // some record runs over a sector's end
  bool dirty_padding = false;   // non-zero bytes after a sector's last record
};

// Reads the records of the directory of sectors bytes at image sector first.
Directory read_directory(const pdi_maker::Image& image, uint32_t first, uint32_t sectors);

// A DVD-like image of vobs VOB files of vob_size bytes, saved as the set
// base.pdi, base.pdi01, ... cut at cuts (see pdi_maker::write_set). Returns
// the image; *members is empty, with *error set, when writing failed.
pdi_maker::Image write_dvd_set(const std::string& base, int vobs, uint64_t vob_size,
                               const std::vector<uint64_t>& cuts, std::vector<std::string>* members,
                               std::string* error);

// "VTS_01_1.VOB;1" -> "VTS_01_1.VOB", as archive tools show it.
std::string without_version(const std::string& identifier);

}  // namespace pdi_test
