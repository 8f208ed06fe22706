#include "png_writer.h"

#include <gtest/gtest.h>

#include <vector>

// An independent reader of the written files: stb's decoder.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace quarnpad {
namespace {

struct Decoded {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<unsigned char> pixels;
};

Decoded decode(const std::vector<unsigned char>& png) {
  Decoded d;
  unsigned char* pixels = stbi_load_from_memory(png.data(), static_cast<int>(png.size()),
                                                &d.width, &d.height, &d.channels, 3);
  if (pixels != nullptr) {
    d.pixels.assign(pixels, pixels + static_cast<std::size_t>(d.width) * d.height * 3);
    stbi_image_free(pixels);
  }
  return d;
}

TEST(Png, DecodesToTheSamePixels) {
  struct Case {
    int width, height;
  } cases[] = {{1, 1}, {3, 2}, {301, 97}};  // 301 x 97: more data than deflate's 32 KiB window
  for (const Case& c : cases) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(c.width) * c.height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 7 + i / 5);
    Decoded back = decode(encode_png(c.width, c.height, rgb));
    EXPECT_EQ(c.width, back.width) << c.width << "x" << c.height;
    EXPECT_EQ(c.height, back.height) << c.width << "x" << c.height;
    EXPECT_EQ(3, back.channels) << c.width << "x" << c.height;
    EXPECT_EQ(rgb, back.pixels) << c.width << "x" << c.height;
  }
}

TEST(Png, WrongSizeGivesNothing) {
  EXPECT_TRUE(encode_png(2, 2, std::vector<unsigned char>(11)).empty());
  EXPECT_TRUE(encode_png(0, 2, {}).empty());
}

}  // namespace
}  // namespace quarnpad
