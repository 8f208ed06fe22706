// The ISO 9660 volume descriptors, found by one rule for every reader: the
// descriptors from sector 16 on, up to the terminator, the first sector that
// is not a descriptor, or kMaxVolumeDescriptors sectors.
#pragma once

#include <optional>

#include "failure.h"
#include "image_source.h"
#include "layout.h"

namespace pdiset {

// More sectors than a real disc holds before its terminator: a bound
// against a hostile run of descriptors.
const int kMaxVolumeDescriptors = 64;

struct VolumeDescriptors {
  bool have_primary = false;  // the first primary volume descriptor
  unsigned char primary[kSectorSize] = {};
  bool have_joliet = false;  // the first supplementary one with a Joliet escape sequence
  unsigned char joliet[kSectorSize] = {};
};

// Only a failed read is a failure; a set that ends among the descriptors
// ends the search.
std::optional<Failure> read_volume_descriptors(const ImageSource& image, VolumeDescriptors* found);

}  // namespace pdiset
