// The one process-wide state that every part of the engine works on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "constants.h"
#include "file_io.h"
#include "pdiset/member_map.h"

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
  std::string held_member;                // left, kept until its split sector is written

  std::vector<FileEntry> file_table;
  // What the directory read learnt of the volume, for the whole-image entry.
  std::optional<uint32_t> volume_sectors;  // from the primary volume descriptor
  std::optional<int64_t> udf_volume_sectors;  // from a UDF volume, read only without that descriptor
  int64_t set_whole_sectors = 0;           // whole sectors the members present put together

  // The output file being written, flushed before any member is deleted.
  FileHandle output_handle = kNoFile;
  std::string output_path;
};

extern EngineState g_engine;
