// Where the ISO 9660 fields lie, named once for the reader, the test-image
// maker and the tests. Numbers recorded in both byte orders hold the
// little-endian one at the offset given, the big-endian one right after it.
#pragma once

namespace pdiset {
namespace iso9660 {

// A directory record.
const int kRecordLength = 0;      // one byte: the whole record's length
const int kEarLength = 1;         // one byte: sectors of extended attributes before the data
const int kExtent = 2;            // both byte orders, 4 bytes each: first sector
const int kDataLength = 10;       // both byte orders, 4 bytes each
const int kRecordingDate = 18;    // years since 1900, month, day, hour, minute, second, GMT offset
const int kGmtOffset = 24;        // in 15-minute steps
const int kFileFlags = 25;        // 2: a directory
const int kVolumeSequence = 28;   // both byte orders, 2 bytes each
const int kIdentifierLength = 32;
const int kIdentifier = 33;       // the identifier's bytes, then a padding byte when its length is even
const int kRecordFixedPart = 33;  // the bytes before the identifier
const int kMinRecordLength = 34;  // the fixed part and a one-byte identifier

const unsigned kDirectoryFlag = 2;

// The primary volume descriptor (and the terminator, which shares its first
// fields).
const int kDescriptorType = 0;         // 1: primary; 2: supplementary; 255: terminator
const int kStandardIdentifier = 1;     // "CD001"
const int kDescriptorVersion = 6;
const int kSystemIdentifier = 8;       // 32 bytes, blank-padded
const int kVolumeIdentifier = 40;      // 32 bytes, blank-padded
const int kVolumeIdentifierSize = 32;
const int kVolumeSpaceSize = 80;       // both byte orders, 4 bytes each: the volume's sectors
const int kEscapeSequences = 88;       // supplementary only, 32 bytes: "%/@", "%/C" or "%/E" for Joliet
const int kEscapeSequencesSize = 32;
const int kVolumeSetSize = 120;        // both byte orders, 2 bytes each
const int kVolumeSequenceNumber = 124;
const int kLogicalBlockSize = 128;
const int kPathTableSize = 132;        // both byte orders, 4 bytes each
const int kLPathTable = 140;           // little-endian sector of the path table
const int kMPathTable = 148;           // big-endian sector of the path table
const int kRootRecord = 156;           // the root directory's record, 34 bytes (also in a supplementary one)
const int kCreationDate = 813;
const int kModificationDate = 830;
const int kFileStructureVersion = 881;

// What the type byte says a volume descriptor is.
enum DescriptorType : unsigned char { kPrimaryDescriptor = 1, kSupplementaryDescriptor = 2, kTerminatorDescriptor = 255 };

}  // namespace iso9660
}  // namespace pdiset
