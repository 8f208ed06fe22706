// A small PNG encoder for screenshots: 8-bit RGB, no filtering, the image
// data in uncompressed ("stored") deflate blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarnpad {

uint32_t crc32(const unsigned char* data, std::size_t size, uint32_t crc = 0);
uint32_t adler32(const unsigned char* data, std::size_t size);

// rgb holds height rows of width pixels, top row first, 3 bytes a pixel.
// Returns an empty vector when the sizes do not match.
std::vector<unsigned char> encode_png(int width, int height,
                                      const std::vector<unsigned char>& rgb);

}  // namespace quarnpad
