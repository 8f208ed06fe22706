#include "volume_descriptors.h"

#include <cstring>

#include "iso9660_fields.h"

namespace pdiset {

using namespace iso9660;

namespace {

bool is_descriptor(const unsigned char* d) { return memcmp(d + kStandardIdentifier, "CD001", 5) == 0; }

bool is_joliet(const unsigned char* d) {
  if (d[kDescriptorType] != kSupplementaryDescriptor) return false;
  const unsigned char* escapes = d + kEscapeSequences;
  for (int i = 0; i + 2 < kEscapeSequencesSize; ++i)
    if (escapes[i] == '%' && escapes[i + 1] == '/' &&
        (escapes[i + 2] == '@' || escapes[i + 2] == 'C' || escapes[i + 2] == 'E'))
      return true;
  return false;
}

}  // namespace

std::optional<Failure> read_volume_descriptors(const ImageSource& image, VolumeDescriptors* found) {
  *found = VolumeDescriptors();
  for (int i = 0; i < kMaxVolumeDescriptors; ++i) {
    unsigned char d[kSectorSize] = {};
    ReadOutcome read = image.read(int64_t{kVolumeDescriptorSector + i} * kSectorSize, d, kSectorSize);
    if (read.failure) return read.failure;
    if (read.bytes < kSectorSize || !is_descriptor(d) || d[kDescriptorType] == kTerminatorDescriptor) break;
    if (d[kDescriptorType] == kPrimaryDescriptor && !found->have_primary) {
      memcpy(found->primary, d, kSectorSize);
      found->have_primary = true;
    } else if (is_joliet(d) && !found->have_joliet) {
      memcpy(found->joliet, d, kSectorSize);
      found->have_joliet = true;
    }
  }
  return std::nullopt;
}

}  // namespace pdiset
