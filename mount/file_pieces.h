// A mounted file's bytes as pieces: runs of image bytes (a disc file may lie
// in several, as sections or UDF extents), runs of zeros the disc does not
// record, or bytes kept with the entry itself (UDF files held in their
// entry). Image runs are read through the guarded reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "guarded_reader.h"
#include "pdiset/disc_tree.h"
#include "zisofs_reader.h"

namespace quarnex_mount {

struct FilePiece {
  int64_t file_offset = 0;   // where the piece starts in the file
  int64_t image_offset = 0;  // where its bytes start in the image; -1: zeros
  int64_t length = 0;
};

// The pieces of a disc file's extents, in order; empty extents left out.
std::vector<FilePiece> pieces_of(const std::vector<pdiset::DataExtent>& extents);

// Reads up to count bytes at offset of a file of size bytes held in pieces,
// or in inline_data when that is not empty: the bytes read (0 at or past the
// end), or -EIO when any of them cannot be read as the set held them or no
// piece holds them.
int64_t read_pieces(GuardedReader* reader, const std::vector<FilePiece>& pieces, const std::string& inline_data,
                    int64_t size, int64_t offset, char* buffer, int64_t count);

// The same for a zisofs file whose pieces hold the compressed file: its
// real bytes, inflated block by block (see zisofs_reader.h).
ZisofsRead read_zisofs_pieces(GuardedReader* reader, const std::vector<FilePiece>& pieces,
                              const pdiset::ZisofsFormat& format, int64_t offset, char* buffer, int64_t count);
// Whether a zisofs file in pieces may be read: its header and pointers.
ZisofsRead check_zisofs_pieces(GuardedReader* reader, const std::vector<FilePiece>& pieces,
                               const pdiset::ZisofsFormat& format);

// True when every member holding the pieces' image bytes is in place (see
// GuardedReader::check_entry).
bool pieces_in_place(GuardedReader* reader, const std::vector<FilePiece>& pieces);

}  // namespace quarnex_mount
