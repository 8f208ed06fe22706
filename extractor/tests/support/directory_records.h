// Directories laid out record by record, for hostile directories: the
// records are written by the maker's record writer, placed where the test
// says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdi_maker.h"

// Appends ISO 9660 directory records to a directory of ten sectors (the
// bytes read at sector 69), or of the size given.
struct RecordWriter {
  std::vector<uint8_t> bytes;
  size_t at = 0;
  explicit RecordWriter(size_t size = pdiset::kDirectoryReadSize) : bytes(size, 0) {}
  // A record of length bytes (0: 33 + name + padding) for a file with the
  // flags given; name_length -1 records the name's own length. Returns false
  // when it does not fit.
  bool add(const std::string& name, uint32_t extent, uint32_t data_length, unsigned length = 0,
           unsigned flags = 0, int name_length = -1);
  // Moves to the start of the next sector.
  void next_sector() { at = (at + pdiset::kSectorSize - 1) / pdiset::kSectorSize * pdiset::kSectorSize; }
};
