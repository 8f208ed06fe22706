#include "file_pieces.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quarnex_mount {

std::vector<FilePiece> pieces_of(const std::vector<pdiset::DataExtent>& extents) {
  std::vector<FilePiece> pieces;
  int64_t at = 0;
  for (const pdiset::DataExtent& e : extents) {
    if (e.length <= 0) continue;
    pieces.push_back(FilePiece{at, e.image_offset < 0 ? -1 : e.image_offset, e.length});
    at += e.length;
  }
  return pieces;
}

int64_t read_pieces(GuardedReader* reader, const std::vector<FilePiece>& pieces, const std::string& inline_data,
                    int64_t size, int64_t offset, char* buffer, int64_t count) {
  if (offset < 0 || count <= 0 || offset >= size) return 0;
  count = std::min(count, size - offset);
  if (!inline_data.empty()) {
    if (offset + count > static_cast<int64_t>(inline_data.size())) return -EIO;
    memcpy(buffer, inline_data.data() + offset, static_cast<size_t>(count));
    return count;
  }
  // The last piece starting at or before offset, then on piece by piece.
  auto it = std::upper_bound(pieces.begin(), pieces.end(), offset,
                             [](int64_t at, const FilePiece& p) { return at < p.file_offset; });
  if (it == pieces.begin()) return -EIO;
  --it;
  int64_t done = 0;
  for (; done < count; ++it) {
    const int64_t at = offset + done;
    if (it == pieces.end() || at < it->file_offset || at >= it->file_offset + it->length) return -EIO;
    const int64_t within = at - it->file_offset, n = std::min(count - done, it->length - within);
    if (it->image_offset < 0) {
      memset(buffer + done, 0, static_cast<size_t>(n));
    } else {
      // The guarded reader sees the piece as an entry of its own.
      const MountEntry run{std::string(), it->image_offset, it->length, 0};
      int64_t got = reader->read(run, within, buffer + done, n);
      if (got < 0) return got;
      if (got != n) return -EIO;
    }
    done += n;
  }
  return count;
}

namespace {

// The compressed file of a zisofs file, as its pieces hold it.
class StoredPieces : public StoredBytes {
 public:
  StoredPieces(GuardedReader* reader, const std::vector<FilePiece>& pieces) : reader_(reader), pieces_(pieces) {}
  int64_t size() const override { return pieces_.empty() ? 0 : pieces_.back().file_offset + pieces_.back().length; }
  int64_t read(int64_t offset, void* buffer, int64_t count) override {
    return read_pieces(reader_, pieces_, std::string(), size(), offset, static_cast<char*>(buffer), count);
  }

 private:
  GuardedReader* reader_;
  const std::vector<FilePiece>& pieces_;
};

}  // namespace

ZisofsRead read_zisofs_pieces(GuardedReader* reader, const std::vector<FilePiece>& pieces,
                              const pdiset::ZisofsFormat& format, int64_t offset, char* buffer, int64_t count) {
  StoredPieces stored(reader, pieces);
  return read_zisofs(&stored, format, offset, buffer, count);
}

ZisofsRead check_zisofs_pieces(GuardedReader* reader, const std::vector<FilePiece>& pieces,
                               const pdiset::ZisofsFormat& format) {
  StoredPieces stored(reader, pieces);
  return check_zisofs(&stored, format);
}

bool pieces_in_place(GuardedReader* reader, const std::vector<FilePiece>& pieces) {
  // One check over the image bytes from the first piece to the last: the
  // members between are checked too, which at worst drops a cache.
  int64_t begin = -1, end = -1;
  for (const FilePiece& p : pieces) {
    if (p.image_offset < 0) continue;
    begin = begin < 0 ? p.image_offset : std::min(begin, p.image_offset);
    end = std::max(end, p.image_offset + p.length);
  }
  const MountEntry span{std::string(), std::max<int64_t>(begin, 0), begin < 0 ? 0 : end - begin, 0};
  return reader->check_entry(span);
}

}  // namespace quarnex_mount
