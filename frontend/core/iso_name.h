// The name of the image quarnex writes for a conversion: the name given,
// with ".iso" added unless it already ends in it (ASCII letters compared
// without regard to case), so "movie" is written as "movie.iso".
#pragma once

#include <string>

namespace quarnpad {

std::string iso_output_name(const std::string& chosen);

}  // namespace quarnpad
