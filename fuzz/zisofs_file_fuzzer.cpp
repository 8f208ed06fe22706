// Fuzz target: the mount's zisofs reader over hostile compressed files.
//
// Input: the ZF entry's header words (byte 0), block size log2 (byte 1) and
// real size (bytes 2 to 5, little-endian), a read step (bytes 6 and 7:
// pages and bytes, as the kernel asks), then the compressed file.
//
// Checked: no read gives more than asked or reads outside the file; a file
// that passes its check and reads whole reads the same bytes backwards in
// steps, each step inflating only the blocks it touches.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/sparse_image.h"
#include "mount/zisofs_reader.h"

namespace {

using fuzz_support::fail;

class Stored : public quarnex_mount::StoredBytes {
 public:
  Stored(const uint8_t* bytes, int64_t size) : bytes_(bytes), size_(size) {}
  int64_t size() const override { return size_; }
  int64_t read(int64_t offset, void* buffer, int64_t count) override {
    if (offset < 0 || count < 0) fail("read outside the stored file");
    count = std::max<int64_t>(0, std::min(count, size_ - offset));
    if (count > 0) memcpy(buffer, bytes_ + offset, static_cast<size_t>(count));
    return count;
  }

 private:
  const uint8_t* bytes_;
  int64_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const pdiset::ZisofsFormat format{
      int64_t{data[2]} | int64_t{data[3]} << 8 | int64_t{data[4]} << 16 | int64_t{data[5]} << 24, data[0], data[1]};
  const int64_t step = 4096 * (1 + data[6] % 8) + data[7], real = format.uncompressed_size;
  Stored stored(data + 8, static_cast<int64_t>(size - 8));
  if (check_zisofs(&stored, format).bytes != 0 || real > (1 << 22)) {
    char some[4096];
    if (read_zisofs(&stored, format, real / 2, some, sizeof some).bytes > 4096) fail("read past the count");
    return 0;
  }
  std::string whole(static_cast<size_t>(real) + 1, '\0'), backwards(static_cast<size_t>(real), '\0');
  const int64_t got = read_zisofs(&stored, format, 0, &whole[0], real + 1).bytes;
  if (got > real) fail("read past the real size");
  if (got < real) return 0;
  whole.pop_back();
  for (int64_t end = real; end > 0; end -= step) {
    const int64_t at = std::max<int64_t>(0, end - step);
    if (read_zisofs(&stored, format, at, &backwards[at], end - at).bytes != end - at)
      fail("a part fails where the whole reads");
  }
  if (backwards != whole) fail("parts read backwards differ from the whole");
  return 0;
}
