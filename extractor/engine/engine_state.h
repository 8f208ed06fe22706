// The one process-wide state that every part of the engine works on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "constants.h"
#include "file_io.h"
#include "pdiset/member_map.h"
#include "pdiset/volume.h"

// One extent of a file: a file over 4 GiB is recorded in several.
struct FileSection {
  int64_t first_sector;  // location of the extent
  int64_t byte_length;   // its data length
};

// One extractable file of the image's directory.
struct FileEntry {
  std::string name;      // the identifier exactly as recorded
  int32_t first_sector;  // location of its first extent
  int64_t byte_length;   // the whole data length: every section's bytes
  bool selected;         // to be written
  std::vector<FileSection> sections;  // its extents in record order, written one after the other
};

struct EngineState {
  std::string set_name;                   // the first member's file name
  FileHandle member_handle = kNoFile;     // the member open now
  bool remove_members = false;            // delete members once consumed
  unsigned char* copy_buffer = nullptr;   // kCopyChunk bytes, zero at start

  int member_index = 0;                   // index of the current member
  std::string member_name;                // the current member's file name
  pdiset::MemberMap member_map;           // the members reached so far
  std::vector<std::string> held_members;  // left, kept until their split sector is written

  std::vector<FileEntry> file_table;
  // What the directory read learnt of the set before any member is left.
  std::optional<pdiset::ImageExtent> image_extent;  // the whole image (conversions only)
  int64_t set_image_bytes = 0;                      // image bytes the members present hold

  // The output file being written, flushed before any member is deleted.
  FileHandle output_handle = kNoFile;
  std::string output_path;
};

extern EngineState g_engine;
