// How many sectors the whole-image (.iso) conversion of a set covers.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "directory.h"
#include "image_source.h"

namespace pdiset {

struct ImageExtent {
  int64_t sectors = 0;  // sectors 0 .. sectors-1 are written
  int64_t wanted = 0;   // what the volume needs; more than sectors when the set ends before it
  bool cut_short = false;      // the set lacks only closing sectors past the last file
  bool files_missing = false;  // the set ends before the last file does
};

// Sectors a file of data_length bytes touches (its last partial one too).
int64_t sectors_holding(uint32_t data_length);

// From sector 0 to the larger of the end of the file that starts last (its
// partial last sector included) and the volume's size (the primary volume
// descriptor's, or a UDF volume's), as far as the whole sectors the set
// holds reach; never short of the last file, whose bytes are required. files: the listed files in
// ascending first sector (ties in directory order).
ImageExtent image_extent(const std::vector<DirectoryRecord>& files, std::optional<int64_t> volume_sectors,
                         int64_t set_whole_sectors);

// The whole image of a set: what `quarnex -i` writes and what the mount
// shows as NAME.iso. The files are the listed files of the directory found
// (each file's sections; the section that starts last, sectors compared as
// signed 32-bit numbers as quarnex's table sorts them, ties in directory
// order); the volume's size is the primary volume descriptor's at sector 16,
// else, when no file is listed (a UDF-only disc), the UDF volume's, which on
// a set cut short counts only the structures the set holds, so never less
// than the set's whole sectors. set_whole_sectors: the whole sectors the
// members present hold.
ImageExtent whole_image_extent(const ImageSource& image, const FoundDirectory& found, int64_t set_whole_sectors);

}  // namespace pdiset
