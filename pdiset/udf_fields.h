// Where the fields of the UDF (ECMA-167) descriptors lie, named once for the
// reader, the tests and the fuzz seeds. Offsets are from the start of the
// descriptor (its tag); numbers are little-endian (byte_order.h).
#pragma once

namespace pdiset::udf {

// The 16-byte tag every descriptor starts with.
namespace tag {
constexpr int kId = 0;         // 2 bytes: TagId
constexpr int kVersion = 2;    // 2 bytes: 2 or 3
constexpr int kChecksum = 4;   // 1 byte: the sum of the tag's other 15 bytes
constexpr int kLocation = 12;  // 4 bytes: where the writer put the descriptor
constexpr int kSize = 16;
}  // namespace tag

// extent_ad (8 bytes): a run of sectors, its length in bytes and its first
// sector. long_ad (16 bytes) and short_ad (8 bytes): extents of a
// partition's blocks, the top two bits of the length the extent's type; a
// long_ad names the partition map (2 bytes).
namespace extent_ad { constexpr int kLength = 0, kLocation = 4; }
namespace long_ad { constexpr int kLength = 0, kBlock = 4, kPartition = 8, kSize = 16; }
namespace short_ad { constexpr int kLength = 0, kBlock = 4, kSize = 8; }

// A 12-byte timestamp.
namespace timestamp {
constexpr int kTypeAndZone = 0;  // 2 bytes: type (top 4 bits), minutes east of UTC (12 bits)
constexpr int kYear = 2;         // 2 bytes
constexpr int kMonth = 4;        // then day, hour, minute, second: a byte each
}  // namespace timestamp

// The anchor volume descriptor pointer: extent_ads of the two sequences.
namespace anchor {
constexpr int kMainSequence = 16;
constexpr int kReserveSequence = 24;
}  // namespace anchor

// Every volume descriptor: its number in the sequence (the highest holds).
constexpr int kSequenceNumber = 16;

// The volume descriptor pointer: an extent_ad of the sequence's next part.
namespace pointer {
constexpr int kNextSequence = 20;
}  // namespace pointer

// The partition descriptor.
namespace partition {
constexpr int kNumber = 22;  // 2 bytes
constexpr int kStart = 188;  // 4 bytes: first sector
constexpr int kLength = 192; // 4 bytes: blocks
}  // namespace partition

// The logical volume descriptor.
namespace logical_volume {
constexpr int kBlockSize = 212;       // 4 bytes
constexpr int kFileSet = 248;         // long_ad of the file set descriptor
constexpr int kMapTableLength = 264;  // 4 bytes
constexpr int kMapCount = 268;        // 4 bytes
constexpr int kIntegrity = 432;       // extent_ad of the integrity sequence
constexpr int kMaps = 440;            // the partition maps, one after another
}  // namespace logical_volume

// A partition map: type 1 (6 bytes) names a partition; type 2 (64 bytes) is
// told apart by its entity identifier.
namespace partition_map {
constexpr int kType = 0;
constexpr int kLength = 1;
constexpr int kType1Number = 4;      // 2 bytes: the partition's number
constexpr int kType1Size = 6;
constexpr int kIdentifier = 4;       // entity identifier: a flags byte, then 23 bytes
constexpr int kType2VolumeSequence = 36;  // 2 bytes: the volume of the set that holds it
constexpr int kType2Number = 38;     // 2 bytes
constexpr int kType2Size = 64;
constexpr int kPacketLength = 40;    // sparable: 2 bytes, blocks per packet
constexpr int kSparingTables = 42;   // sparable: 1 byte, how many copies
constexpr int kSparingTableSize = 44;  // sparable: 4 bytes
constexpr int kSparingLocations = 48;  // sparable: 4 bytes per copy
constexpr int kMetadataFile = 40;    // metadata: 4 bytes, its file entry's block
constexpr int kMetadataMirror = 44;  // metadata: 4 bytes
constexpr int kMetadataBitmap = 48;  // metadata: 4 bytes
}  // namespace partition_map

// The sparing table: entity identifier, then pairs of packets.
namespace sparing_table {
constexpr int kIdentifier = 16;
constexpr int kEntries = 48;   // 2 bytes
constexpr int kMap = 56;       // 8 bytes each: the original packet, where it lies now
constexpr int kMapEntrySize = 8;
}  // namespace sparing_table

// The virtual allocation table: UDF 2.00 starts with a header of at least
// kMinHeader bytes (its length in the first 2); UDF 1.50 ends with a
// kTrailerSize-byte trailer, its entity identifier first.
namespace vat {
constexpr int kHeaderLength = 0;
constexpr int kMinHeader = 152;
constexpr int kTrailerSize = 36;
constexpr int kEntrySize = 4;
}  // namespace vat

// The file set descriptor names the root folder's ICB (a long_ad); an
// indirect entry the entry it stands for.
namespace file_set { constexpr int kRoot = 400; }
namespace indirect_entry { constexpr int kIcb = 36; }

// The file identifier descriptor: one entry of a folder's records.
namespace file_identifier {
constexpr int kCharacteristics = 18;  // 1 byte: 0x04 deleted, 0x08 the parent entry
constexpr int kNameLength = 19;       // 1 byte
constexpr int kIcb = 20;              // long_ad of the entry's ICB
constexpr int kUseLength = 36;        // 2 bytes: implementation use before the name
constexpr int kFixedPart = 38;        // then the use bytes, the name, padding to 4
constexpr unsigned kDeleted = 0x04;
constexpr unsigned kParent = 0x08;
}  // namespace file_identifier

// The file entry (tag 261) and extended file entry (tag 266): an ICB tag
// from byte 16, then fields where they differ between the two.
namespace file_entry {
constexpr int kStrategy = 16 + 4;   // 2 bytes
constexpr int kFileType = 16 + 11;  // 1 byte: FileType
constexpr int kIcbFlags = 16 + 18;  // 2 bytes; & 7: AdKind
constexpr int kInformationLength = 56;  // 8 bytes
constexpr int kModificationTime = 84;   // timestamp
constexpr int kEaLength = 168;          // 4 bytes, then the descriptors' length
constexpr int kAdLength = 172;
constexpr int kFixedPart = 176;         // then the extended attributes, then the descriptors
}  // namespace file_entry
namespace extended_file_entry {
constexpr int kModificationTime = 92, kEaLength = 208, kAdLength = 212, kFixedPart = 216;
}  // namespace extended_file_entry

// The allocation extent descriptor: descriptors continued.
namespace allocation_extent {
constexpr int kAdLength = 20;   // 4 bytes
constexpr int kFixedPart = 24;  // then the descriptors
}  // namespace allocation_extent

}  // namespace pdiset::udf
