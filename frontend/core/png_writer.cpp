#include "png_writer.h"

namespace quarnpad {

namespace {

void put_u32(std::vector<unsigned char>* out, uint32_t value) {
  out->push_back(static_cast<unsigned char>(value >> 24));
  out->push_back(static_cast<unsigned char>(value >> 16));
  out->push_back(static_cast<unsigned char>(value >> 8));
  out->push_back(static_cast<unsigned char>(value));
}

void put_chunk(std::vector<unsigned char>* out, const char* type,
               const std::vector<unsigned char>& data) {
  put_u32(out, static_cast<uint32_t>(data.size()));
  std::size_t type_at = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  put_u32(out, crc32(out->data() + type_at, 4 + data.size()));
}

// zlib stream of stored blocks, 65535 bytes at most each.
std::vector<unsigned char> stored_zlib(const std::vector<unsigned char>& raw) {
  std::vector<unsigned char> z = {0x78, 0x01};
  std::size_t pos = 0;
  do {
    std::size_t n = raw.size() - pos;
    if (n > 65535) n = 65535;
    bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<unsigned char>(n));
    z.push_back(static_cast<unsigned char>(n >> 8));
    z.push_back(static_cast<unsigned char>(~n));
    z.push_back(static_cast<unsigned char>(~n >> 8));
    z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  put_u32(&z, adler32(raw.data(), raw.size()));
  return z;
}

}  // namespace

uint32_t crc32(const unsigned char* data, std::size_t size, uint32_t crc) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t adler32(const unsigned char* data, std::size_t size) {
  uint32_t a = 1, b = 0;
  for (std::size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<unsigned char> encode_png(int width, int height,
                                      const std::vector<unsigned char>& rgb) {
  if (width <= 0 || height <= 0 ||
      rgb.size() != static_cast<std::size_t>(width) * height * 3) {
    return {};
  }
  std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  put_u32(&header, static_cast<uint32_t>(width));
  put_u32(&header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  put_chunk(&out, "IHDR", header);

  std::vector<unsigned char> raw;
  std::size_t row = static_cast<std::size_t>(width) * 3;
  raw.reserve((row + 1) * height);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter type none
    raw.insert(raw.end(), rgb.begin() + y * row, rgb.begin() + (y + 1) * row);
  }
  put_chunk(&out, "IDAT", stored_zlib(raw));
  put_chunk(&out, "IEND", {});
  return out;
}

}  // namespace quarnpad
