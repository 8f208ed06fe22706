// The .pdi set format's numbers and names, shared by every program of ours,
// the test-image maker and the tests.
//
// A set is one disc image cut into member files NAME.pdi, NAME.pdi01,
// NAME.pdi02, ...; concatenated they are a 304-byte header followed by the
// image's 2048-byte sectors. A member may end inside a sector.
#pragma once

#include <cstdint>
#include <string>

namespace pdiset {

const int kSectorSize = 2048;    // bytes of one image sector
const int kSetHeaderSize = 304;  // header before sector 0 in the first member

// Where quarnex has always looked for the directory: image sector 69, ten
// sectors of it.
const int kDirectorySector = 69;
const int64_t kDirectoryOffset = kSetHeaderSize + int64_t{kDirectorySector} * kSectorSize;  // 141616
const int kDirectoryReadSize = 10 * kSectorSize;                                            // 20480

// ISO 9660: the primary volume descriptor is image sector 16.
const int kVolumeDescriptorSector = 16;

// What a set's first member is named with: NAME.pdi.
const char kSetExtension[] = ".pdi";

// NAME.pdi for index 0, then NAME.pdi01, NAME.pdi02, ... (three digits from
// 100 on); the number keeps the letter case of the set's name around it.
std::string member_file_name(const std::string& set_name, int index);

// The inverse: the index of the member that file_name names, and in
// *set_name the set's name (its first member) -- 0 for NAME.pdi itself, k
// for NAME.pdi01, ... (".pdi" in any letter case); -1 for a name that is no
// member's.
int member_index(const std::string& file_name, std::string* set_name);

}  // namespace pdiset
