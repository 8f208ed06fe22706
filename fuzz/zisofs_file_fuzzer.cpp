// Fuzz target: the mount's zisofs reader over hostile compressed files, and
// a model of it: what the writer of tools/zisofs_writer.h compresses reads
// back as it was.
//
// Input: the ZF entry's header words (byte 0), block size log2 (byte 1) and
// real size (bytes 2 to 5, little-endian), a read step (bytes 6 and 7: pages
// and bytes), then
// the compressed file.
//
// Checked, for the file as given: no read gives more than asked; when the
// file passes its check and reads whole, reading it backwards in steps gives
// the same bytes. For the input's bytes compressed by the writer at the
// input's block size: the check passes, and any read gives those bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/sparse_image.h"
#include "mount/zisofs_reader.h"
#include "tools/zisofs_writer.h"

namespace {

using fuzz_support::fail;
using quarnex_mount::ZisofsRead;

class Stored : public quarnex_mount::StoredBytes {
 public:
  explicit Stored(const std::string& bytes) : bytes_(bytes) {}
  int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
  int64_t read(int64_t offset, void* buffer, int64_t count) override {
    if (offset < 0 || count < 0) fail("read outside the stored file");
    if (offset >= size()) return 0;
    count = std::min(count, size() - offset);
    memcpy(buffer, bytes_.data() + offset, static_cast<size_t>(count));
    return count;
  }

 private:
  const std::string& bytes_;
};

const int64_t kMaxWholeRead = 1 << 22;

// Reads [0, size) backwards in steps of step bytes into out; false when a
// read failed.
bool read_backwards(Stored* stored, const pdiset::ZisofsFormat& format, int64_t step, std::string* out) {
  const int64_t size = format.uncompressed_size;
  out->assign(static_cast<size_t>(size), '\0');
  for (int64_t end = size; end > 0; end -= step) {
    const int64_t at = std::max<int64_t>(0, end - step);
    ZisofsRead read = read_zisofs(stored, format, at, &(*out)[at], end - at);
    if (read.bytes < 0) return false;
    if (read.bytes != end - at) fail("short read inside the file");
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  pdiset::ZisofsFormat format;
  format.header_words = data[0];
  format.block_size_log2 = data[1];
  format.uncompressed_size = int64_t{data[2]} | int64_t{data[3]} << 8 | int64_t{data[4]} << 16 | int64_t{data[5]} << 24;
  // Reads as the kernel asks for them: a page or more, not always aligned.
  const int64_t step = 4096 * (1 + data[6] % 8) + data[7];
  const std::string file(reinterpret_cast<const char*>(data) + 8, size - 8);

  Stored stored(file);
  std::string whole, backwards;
  if (check_zisofs(&stored, format).bytes == 0 && format.uncompressed_size <= kMaxWholeRead) {
    whole.assign(static_cast<size_t>(format.uncompressed_size) + 1, '\0');
    ZisofsRead read = read_zisofs(&stored, format, 0, &whole[0], static_cast<int64_t>(whole.size()));
    if (read.bytes > format.uncompressed_size) fail("read past the real size");
    if (read.bytes == format.uncompressed_size) {
      whole.resize(static_cast<size_t>(read.bytes));
      if (!read_backwards(&stored, format, step, &backwards)) fail("a part fails where the whole reads");
      if (backwards != whole) fail("parts read backwards differ from the whole");
    }
  } else {
    char some[4096];
    ZisofsRead read = read_zisofs(&stored, format, format.uncompressed_size / 2, some, sizeof some);
    if (read.bytes > static_cast<int64_t>(sizeof some)) fail("read past the count");
  }

  // The model: the input's bytes, compressed by the writer.
  const unsigned log2 = pdiset::kZisofsMinBlockLog2 + data[1] % 3;
  const std::string written = zisofs_writer::compressed(file, log2);
  Stored model(written);
  const pdiset::ZisofsFormat model_format{static_cast<int64_t>(file.size()), 4, log2};
  if (check_zisofs(&model, model_format).bytes != 0) fail("the writer's file fails its check");
  if (!read_backwards(&model, model_format, step, &backwards)) fail("the writer's file fails a read");
  if (backwards != file) fail("the writer's file reads other bytes");
  return 0;
}
