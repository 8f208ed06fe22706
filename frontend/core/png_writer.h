// PNG files for the screenshots: 8-bit RGB pixels in, the file's bytes out.
#pragma once

#include <vector>

namespace quarnpad {

// rgb holds height rows of width pixels, top row first, 3 bytes a pixel.
// Returns an empty vector when the sizes do not match.
std::vector<unsigned char> encode_png(int width, int height,
                                      const std::vector<unsigned char>& rgb);

}  // namespace quarnpad
