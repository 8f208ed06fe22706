// The tree of a UDF volume (revisions 1.02 to 2.60) as a DiscTree: folders
// read when asked, files with their image runs or the bytes held in their
// entry, symbolic links with their targets. Hidden files are shown; deleted
// entries and the parent entry are not.
//
// Bounds against hostile volumes (besides those of udf_volume.h):
//   - a folder's records: at most 16 MiB; its files' runs together at most
//     1,048,576; blocks looked up one at a time for it (continuation
//     blocks, allocation table entries) at most 1,048,576; the entries it
//     returns at most 128 MiB in memory; else the folder is refused;
//   - folders nest at most 1024 deep;
//   - a folder lies where the record naming it says; parent entries are
//     never read. A record naming the folder itself or a folder above it
//     (its entry, indirect entries followed) is left out with a note
//     (folder_path.h), so no walk loops;
//   - a symbolic link's recorded components: at most 4096 bytes.
// An entry whose record is damaged is left out of its folder; a folder whose
// records are damaged, or that the image cannot deliver, is a failure.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "disc_tree.h"
#include "failure.h"
#include "image_source.h"

namespace pdiset {

constexpr int64_t kUdfMaxFolderBytes = 16 * 1024 * 1024;
constexpr size_t kUdfMaxFolderRuns = 1 << 20;
constexpr size_t kUdfMaxFolderLookups = 1 << 20;
constexpr size_t kUdfMaxFolderHeld = 128 << 20;
constexpr int kUdfMaxDepth = 1024;
constexpr int64_t kUdfMaxLinkBytes = 4096;

// *tree is null, with no failure, when the image has no UDF anchor.
std::optional<Failure> open_udf_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree);

// How many sectors the UDF volume spans, from sector 0: the end of the
// furthest of its anchors (256, the image's last sector, 256 before it), its
// volume descriptor sequences, its integrity sequence and its partitions.
// genisoimage -udf and mkudffs images end with an anchor in their last
// sector, so on a whole image this is the image's length; on a set cut
// short it is where the recorded structures end. A write-once (virtual
// partition) volume ends after its allocation table, not with the capacity
// its partition names. Nothing when there is no UDF volume.
std::optional<int64_t> udf_volume_sectors(const ImageSource& image);

}  // namespace pdiset
