#include "png_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace quarnpad {
namespace {

uint32_t get_u32(const std::vector<unsigned char>& data, std::size_t at) {
  return (uint32_t(data[at]) << 24) | (uint32_t(data[at + 1]) << 16) |
         (uint32_t(data[at + 2]) << 8) | data[at + 3];
}

struct Chunk {
  std::string type;
  std::vector<unsigned char> data;
};

// Splits a PNG into its chunks, checking every CRC on the way.
std::vector<Chunk> chunks_of(const std::vector<unsigned char>& png) {
  std::vector<Chunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t length = get_u32(png, at);
    Chunk chunk;
    chunk.type.assign(png.begin() + at + 4, png.begin() + at + 8);
    chunk.data.assign(png.begin() + at + 8, png.begin() + at + 8 + length);
    EXPECT_EQ(crc32(png.data() + at + 4, 4 + length), get_u32(png, at + 8 + length))
        << chunk.type;
    chunks.push_back(chunk);
    at += 12 + length;
  }
  EXPECT_EQ(png.size(), at);
  return chunks;
}

// Undoes a zlib stream made of stored blocks only.
std::vector<unsigned char> unstore(const std::vector<unsigned char>& z) {
  std::vector<unsigned char> raw;
  EXPECT_EQ(0x78, z[0]);
  EXPECT_EQ(0, (z[0] * 256 + z[1]) % 31);
  std::size_t at = 2;
  bool last = false;
  while (!last) {
    last = z[at] & 1;
    EXPECT_EQ(0, z[at] >> 1) << "not a stored block";
    unsigned n = z[at + 1] | (z[at + 2] << 8);
    unsigned nn = z[at + 3] | (z[at + 4] << 8);
    EXPECT_EQ(0xFFFFu, n ^ nn);
    raw.insert(raw.end(), z.begin() + at + 5, z.begin() + at + 5 + n);
    at += 5 + n;
  }
  EXPECT_EQ(adler32(raw.data(), raw.size()), get_u32(z, at));
  EXPECT_EQ(z.size(), at + 4);
  return raw;
}

TEST(Png, KnownChecksums) {
  const char* digits = "123456789";
  EXPECT_EQ(0xCBF43926u, crc32(reinterpret_cast<const unsigned char*>(digits), 9));
  const char* word = "Wikipedia";
  EXPECT_EQ(0x11E60398u, adler32(reinterpret_cast<const unsigned char*>(word), 9));
  EXPECT_EQ(1u, adler32(nullptr, 0));
}

TEST(Png, RoundTripAcrossSeveralStoredBlocks) {
  const int width = 301, height = 97;  // raw data larger than one stored block
  std::vector<unsigned char> rgb(width * height * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 7 + i / 5);
  std::vector<unsigned char> png = encode_png(width, height, rgb);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(0, std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8));

  std::vector<Chunk> chunks = chunks_of(png);
  ASSERT_EQ(3u, chunks.size());
  EXPECT_EQ("IHDR", chunks[0].type);
  EXPECT_EQ("IDAT", chunks[1].type);
  EXPECT_EQ("IEND", chunks[2].type);
  EXPECT_EQ(uint32_t(width), get_u32(chunks[0].data, 0));
  EXPECT_EQ(uint32_t(height), get_u32(chunks[0].data, 4));
  EXPECT_EQ((std::vector<unsigned char>{8, 2, 0, 0, 0}),
            std::vector<unsigned char>(chunks[0].data.begin() + 8, chunks[0].data.end()));

  std::vector<unsigned char> raw = unstore(chunks[1].data);
  ASSERT_EQ(std::size_t(height) * (1 + width * 3), raw.size());
  std::vector<unsigned char> back;
  for (int y = 0; y < height; ++y) {
    std::size_t row = std::size_t(y) * (1 + width * 3);
    EXPECT_EQ(0, raw[row]);
    back.insert(back.end(), raw.begin() + row + 1, raw.begin() + row + 1 + width * 3);
  }
  EXPECT_EQ(rgb, back);
}

TEST(Png, WrongSizeGivesNothing) {
  EXPECT_TRUE(encode_png(2, 2, std::vector<unsigned char>(11)).empty());
  EXPECT_TRUE(encode_png(0, 2, {}).empty());
}

}  // namespace
}  // namespace quarnpad
