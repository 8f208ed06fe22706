#include "png_writer.h"

// The encoder is stb's, compiled here only and kept private to this file.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace quarnpad {

namespace {

void append(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<unsigned char>*>(context);
  const auto* bytes = static_cast<const unsigned char*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<unsigned char> encode_png(int width, int height,
                                      const std::vector<unsigned char>& rgb) {
  if (width <= 0 || height <= 0 ||
      rgb.size() != static_cast<std::size_t>(width) * height * 3) {
    return {};
  }
  std::vector<unsigned char> out;
  if (!stbi_write_png_to_func(append, &out, width, height, 3, rgb.data(), width * 3)) {
    return {};
  }
  return out;
}

}  // namespace quarnpad
