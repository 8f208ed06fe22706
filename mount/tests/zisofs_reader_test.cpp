// The zisofs reader: files written by the test writer (as mkzftree writes
// them) read back as the bytes they were made from, at any range; files
// that break a rule of the format are refused with the rule they break.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <random>

#include "zisofs_reader.h"
#include "zisofs_writer.h"

namespace {

using pdiset::ZisofsFault;
using pdiset::ZisofsFormat;
using quarnex_mount::ZisofsRead;

class MemoryStored : public quarnex_mount::StoredBytes {
 public:
  explicit MemoryStored(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
  int64_t read(int64_t offset, void* buffer, int64_t count) override {
    if (offset >= size()) return 0;
    count = std::min(count, size() - offset);
    memcpy(buffer, bytes_.data() + offset, static_cast<size_t>(count));
    return count;
  }

 private:
  std::string bytes_;
};

// Text, random bytes (blocks that do not shrink) and zeros (blocks of no
// bytes), none of them on a block boundary.
std::string mixed_data(size_t size) {
  std::mt19937 random(22);
  std::string data;
  while (data.size() < size) {
    for (int i = 0; i < 3000; ++i) data += "sector member " + std::to_string(i % 97) + "\n";
    for (int i = 0; i < 70001; ++i) data += static_cast<char>(random());
    data.append(140000, '\0');
  }
  data.resize(size);
  return data;
}

ZisofsFormat format_of(uint32_t size, unsigned block_log2) { return ZisofsFormat{size, 4, block_log2}; }

TEST(ZisofsReader, AnyRangeReadsAsWritten) {
  const std::string data = mixed_data(700001);
  for (unsigned log2 : {15u, 16u, 17u}) {
    SCOPED_TRACE(log2);
    MemoryStored stored(zisofs_writer::compressed(data, log2));
    const ZisofsFormat format = format_of(static_cast<uint32_t>(data.size()), log2);
    ASSERT_EQ(check_zisofs(&stored, format).bytes, 0);
    std::string whole(data.size() + 10, '\x01');
    ZisofsRead read = read_zisofs(&stored, format, 0, &whole[0], static_cast<int64_t>(whole.size()));
    ASSERT_EQ(read.bytes, static_cast<int64_t>(data.size()));
    EXPECT_TRUE(whole.compare(0, data.size(), data) == 0);
    std::mt19937 random(log2);
    for (int i = 0; i < 300; ++i) {
      const int64_t at = random() % (data.size() + 100), count = 1 + random() % 300000;
      std::string part(static_cast<size_t>(count), '\x01');
      read = read_zisofs(&stored, format, at, &part[0], count);
      const int64_t expected = std::max<int64_t>(0, std::min<int64_t>(count, data.size() - at));
      ASSERT_EQ(read.bytes, expected) << "at " << at;
      ASSERT_TRUE(part.compare(0, static_cast<size_t>(expected), data, static_cast<size_t>(std::min<int64_t>(at, data.size())),
                               static_cast<size_t>(expected)) == 0)
          << "at " << at << ", " << count << " bytes";
    }
  }
}

TEST(ZisofsReader, FilesBreakingARuleAreRefused) {
  const unsigned kLog2 = 15;
  const size_t kBlock = size_t{1} << kLog2;
  const std::string data = mixed_data(3 * kBlock + 5000);
  const std::string text(kBlock, 'x');
  using zisofs_writer::assemble;
  using zisofs_writer::deflated;
  using zisofs_writer::put32;
  struct Case {
    const char* what;
    std::function<void(std::string* file, ZisofsFormat* format)> change;
    ZisofsFault at_check, at_read;  // at_read: of a file that passed its check
  };
  const size_t kTable = 16, kLast = kTable + 4 * 4;
  const Case cases[] = {
      {"the magic", [](std::string* f, ZisofsFormat*) { (*f)[0] ^= 1; }, ZisofsFault::kHeader, ZisofsFault::kNone},
      {"the header's real size", [](std::string* f, ZisofsFormat*) { (*f)[8] ^= 1; }, ZisofsFault::kHeader,
       ZisofsFault::kNone},
      {"the entry's block size", [](std::string*, ZisofsFormat* z) { z->block_size_log2 = 16; }, ZisofsFault::kHeader,
       ZisofsFault::kNone},
      {"the header's length", [](std::string* f, ZisofsFormat*) { (*f)[12] = 5; }, ZisofsFault::kHeader,
       ZisofsFault::kNone},
      {"blocks of 2^14",
       [](std::string* f, ZisofsFormat* z) { (*f)[13] = 14, z->block_size_log2 = 14; }, ZisofsFault::kFormat,
       ZisofsFault::kNone},
      {"blocks of 2^18",
       [](std::string* f, ZisofsFormat* z) { (*f)[13] = 18, z->block_size_log2 = 18; }, ZisofsFault::kFormat,
       ZisofsFault::kNone},
      {"a header of 12 bytes", [](std::string* f, ZisofsFormat* z) { (*f)[12] = 3, z->header_words = 3; },
       ZisofsFault::kFormat, ZisofsFault::kNone},
      {"pointers descending",
       [&](std::string* f, ZisofsFormat*) {
         std::string second = f->substr(kTable + 4, 4);
         f->replace(kTable + 4, 4, f->substr(kTable + 8, 4));
         f->replace(kTable + 8, 4, second);
       },
       ZisofsFault::kPointers, ZisofsFault::kNone},
      {"the last pointer past the end",
       [&](std::string* f, ZisofsFormat*) { put32(f, kLast, static_cast<uint32_t>(f->size() + 1)); },
       ZisofsFault::kPointers, ZisofsFault::kNone},
      {"the first pointer in the table", [&](std::string* f, ZisofsFormat*) { put32(f, kTable, kLast); },
       ZisofsFault::kPointers, ZisofsFault::kNone},
      {"the table cut off", [](std::string* f, ZisofsFormat*) { f->resize(24); }, ZisofsFault::kPointers,
       ZisofsFault::kNone},
      {"a block over twice the block size",
       [&](std::string* f, ZisofsFormat* z) {
         *f = assemble(static_cast<uint32_t>(kBlock), kLog2, {std::string(2 * kBlock + 1, 'x')});
         z->uncompressed_size = static_cast<int64_t>(kBlock);
       },
       ZisofsFault::kPointers, ZisofsFault::kNone},
      {"a block inflating past its size",
       [&](std::string* f, ZisofsFormat*) {
         *f = assemble(static_cast<uint32_t>(data.size()), kLog2,
                       {deflated(text + "y"), deflated(text), deflated(text), deflated(text.substr(0, 5000))});
       },
       ZisofsFault::kNone, ZisofsFault::kBlock},
      {"a block inflating short of its size",
       [&](std::string* f, ZisofsFormat*) {
         *f = assemble(static_cast<uint32_t>(data.size()), kLog2,
                       {deflated(text), deflated(text), deflated(text), deflated(text.substr(0, 4999))});
       },
       ZisofsFault::kNone, ZisofsFault::kBlock},
      {"a block's stream cut short",
       [&](std::string* f, ZisofsFormat*) {
         std::string cut = deflated(text);
         cut.pop_back();
         *f = assemble(static_cast<uint32_t>(data.size()), kLog2,
                       {deflated(text), cut, deflated(text), deflated(text.substr(0, 5000))});
       },
       ZisofsFault::kNone, ZisofsFault::kBlock},
      {"a block's check value changed",
       [&](std::string* f, ZisofsFormat*) {
         std::string changed = deflated(text);
         changed.back() ^= 1;
         *f = assemble(static_cast<uint32_t>(data.size()), kLog2, {changed, {}, {}, {}});
       },
       ZisofsFault::kNone, ZisofsFault::kBlock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = zisofs_writer::compressed(data, kLog2);
    ZisofsFormat format = format_of(static_cast<uint32_t>(data.size()), kLog2);
    c.change(&file, &format);
    MemoryStored stored(file);
    ZisofsRead check = check_zisofs(&stored, format);
    EXPECT_EQ(check.fault, c.at_check);
    EXPECT_EQ(check.bytes, c.at_check == ZisofsFault::kNone ? 0 : -EIO);
    if (c.at_check != ZisofsFault::kNone) continue;
    std::string whole(data.size(), '\0');
    ZisofsRead read = read_zisofs(&stored, format, 0, &whole[0], static_cast<int64_t>(whole.size()));
    EXPECT_EQ(read.fault, c.at_read);
    EXPECT_EQ(read.bytes, -EIO);
  }
}

}  // namespace
