// The zisofs reader refuses a file that breaks a rule of the format, with
// the rule it breaks: one sound file (written as mkzftree writes it)
// changed in one way each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "zisofs_reader.h"
#include "zisofs_writer.h"

namespace {

using pdiset::ZisofsFault;
using pdiset::ZisofsFormat;
using zisofs_writer::assemble;
using zisofs_writer::deflated;
using zisofs_writer::put32;

class MemoryStored : public quarnex_mount::StoredBytes {
 public:
  explicit MemoryStored(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
  int64_t read(int64_t offset, void* buffer, int64_t count) override {
    count = std::max<int64_t>(0, std::min(count, size() - offset));
    memcpy(buffer, bytes_.data() + offset, static_cast<size_t>(count));
    return count;
  }

 private:
  std::string bytes_;
};

TEST(ZisofsReader, FilesBreakingARuleAreRefused) {
  const std::string block(32768, 'x'), tail(5000, 'y');
  const uint32_t size = 3 * 32768 + 5000;
  // Blocks of the file as the cases store them: each inflates to one block.
  auto file_of = [&](std::string second, std::string last) {
    return assemble(size, 15, {deflated(block), second, std::string(), last});
  };
  const size_t kLast = 16 + 4 * 4;  // the pointer past the last block
  struct Case {
    const char* what;
    std::function<void(std::string* f, ZisofsFormat* z)> change;
    ZisofsFault at_check, at_read;  // at_read: of a file that passed its check
  };
  const ZisofsFault kNone = ZisofsFault::kNone;
  const Case cases[] = {
      {"sound", [](std::string*, ZisofsFormat*) {}, kNone, kNone},
      {"the magic", [](std::string* f, ZisofsFormat*) { (*f)[0] ^= 1; }, ZisofsFault::kHeader, kNone},
      {"the header's real size", [](std::string* f, ZisofsFormat*) { (*f)[8] ^= 1; }, ZisofsFault::kHeader, kNone},
      {"the entry's block size", [](std::string*, ZisofsFormat* z) { z->block_size_log2 = 16; },
       ZisofsFault::kHeader, kNone},
      {"the header's length", [](std::string* f, ZisofsFormat*) { (*f)[12] = 5; }, ZisofsFault::kHeader, kNone},
      {"blocks of 2^14", [](std::string* f, ZisofsFormat* z) { (*f)[13] = 14, z->block_size_log2 = 14; },
       ZisofsFault::kFormat, kNone},
      {"blocks of 2^18", [](std::string* f, ZisofsFormat* z) { (*f)[13] = 18, z->block_size_log2 = 18; },
       ZisofsFault::kFormat, kNone},
      {"a header of 12 bytes", [](std::string* f, ZisofsFormat* z) { (*f)[12] = 3, z->header_words = 3; },
       ZisofsFault::kFormat, kNone},
      {"pointers descending",
       [](std::string* f, ZisofsFormat*) { std::swap_ranges(f->begin() + 20, f->begin() + 24, f->begin() + 24); },
       ZisofsFault::kPointers, kNone},
      {"the last pointer past the end", [&](std::string* f, ZisofsFormat*) { put32(f, kLast, f->size() + 1); },
       ZisofsFault::kPointers, kNone},
      {"the first pointer in the table", [&](std::string* f, ZisofsFormat*) { put32(f, 16, kLast); },
       ZisofsFault::kPointers, kNone},
      {"the table cut off", [](std::string* f, ZisofsFormat*) { f->resize(24); }, ZisofsFault::kPointers, kNone},
      {"a block over twice the block size",
       [&](std::string* f, ZisofsFormat*) { *f = file_of(std::string(65537, 'z'), deflated(tail)); },
       ZisofsFault::kPointers, kNone},
      {"a block inflating past its size",
       [&](std::string* f, ZisofsFormat*) { *f = file_of(deflated(block + "y"), deflated(tail)); }, kNone,
       ZisofsFault::kBlock},
      {"the last block inflating short of its size",
       [&](std::string* f, ZisofsFormat*) { *f = file_of(deflated(block), deflated(tail.substr(1))); }, kNone,
       ZisofsFault::kBlock},
      {"a block's stream cut short",
       [&](std::string* f, ZisofsFormat*) {
         std::string cut = deflated(block);
         cut.pop_back();
         *f = file_of(cut, deflated(tail));
       },
       kNone, ZisofsFault::kBlock},
      {"a block's check value changed",
       [&](std::string* f, ZisofsFormat*) {
         std::string changed = deflated(block);
         changed.back() ^= 1;
         *f = file_of(changed, deflated(tail));
       },
       kNone, ZisofsFault::kBlock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = file_of(deflated(block), deflated(tail));
    ZisofsFormat format{size, 4, 15};
    c.change(&file, &format);
    MemoryStored stored(file);
    quarnex_mount::ZisofsRead check = check_zisofs(&stored, format);
    EXPECT_EQ(check.fault, c.at_check);
    EXPECT_EQ(check.bytes, c.at_check == kNone ? 0 : -EIO);
    if (c.at_check != kNone) continue;
    std::string whole(size, '\0');
    quarnex_mount::ZisofsRead read = read_zisofs(&stored, format, 0, &whole[0], size);
    EXPECT_EQ(read.fault, c.at_read);
    if (c.at_read == kNone) EXPECT_EQ(whole, block + block + std::string(32768, '\0') + tail);
    else EXPECT_EQ(read.bytes, -EIO);
  }
}

}  // namespace
