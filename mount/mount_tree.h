// NAME.iso, as long as quarnex -i writes it, and the view of a set with no
// disc tree: the files of the directory quarnex lists in a folder of their
// own, each a range of image bytes. Built once before mounting; never
// changes afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdiset/directory.h"

namespace quarnex_mount {

struct MountEntry {
  std::string name;          // as shown in the folder
  int64_t image_offset = 0;  // image byte where its content starts
  int64_t size = 0;          // bytes
  int64_t mtime = 0;         // seconds since 1970-01-01 00:00 UTC
};

struct MountTree {
  MountEntry iso;                  // NAME.iso: image bytes 0 .. size
  std::string folder_name;         // VIDEO_TS, or the volume's or set's name
  int64_t folder_mtime = 0;
  std::vector<MountEntry> files;   // in directory order, names unique
};

// The set's name as the .iso and folder take it: the last path component of
// the first member's name, less a final ".pdi" in any letter case.
std::string set_base_name(const std::string& first_member);

// A directory record's date and time as seconds since 1970 UTC (its time
// zone taken off); 0 for a date that is no date (month or day 0).
int64_t record_time(const pdiset::DirectoryRecord& record);

// Builds the tree. Files: the listed records under the names extraction
// gives them; a name extraction would refuse is left out, and of two records
// with one name the later in directory order is shown (extraction writes
// both, the later over the earlier). iso_sectors: the whole image's length
// (pdiset::whole_image_extent, as the conversion writes it). notes receives
// one line per record left out. volume: what the volume descriptor says (its
// names may name the folder).
MountTree build_mount_tree(const std::string& base_name, const pdiset::FoundDirectory& found,
                           const pdiset::VolumeFacts& volume, int64_t iso_sectors, int64_t set_mtime,
                           std::vector<std::string>* notes);

}  // namespace quarnex_mount
