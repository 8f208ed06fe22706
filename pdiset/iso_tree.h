// The ISO 9660 tree of a disc as a DiscTree: the hierarchy from the primary
// volume descriptor's root with Rock Ridge names, types, times and links
// (relocated folders shown where their CL entry puts them); else the Joliet
// hierarchy of the supplementary descriptor with escape %/@, %/C or %/E;
// else the plain identifiers. Files recorded in several sections are one
// entry (join_sections); hidden and associated files are shown.
//
// Bounds against hostile discs (besides those of rock_ridge.h):
//   - a folder's records: at most kMaxDirectoryBytes (16 MiB) and
//     kMaxFolderEntries entries, else reading it fails;
//   - folders nest at most kMaxIsoDepth deep, else reading a deeper one fails;
//   - a folder lies where the record naming it (or its CL entry) says; its
//     ".." record and Rock Ridge PL are never read. A record or CL entry
//     naming the folder itself or a folder above it is left out with a note
//     (folder_path.h), so no walk loops;
//   - the volume descriptors: at most kMaxVolumeDescriptors from sector 16.
// A folder's handle holds its extent and its records' length (IsoFolderAt).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "directory.h"  // kMaxDirectoryBytes
#include "disc_tree.h"
#include "failure.h"
#include "image_source.h"
#include "volume_descriptors.h"  // kMaxVolumeDescriptors

namespace pdiset {

const int kMaxIsoDepth = 1024;
const size_t kMaxFolderEntries = 250000;

// *tree is null, with no failure, when sector 16 holds no primary volume
// descriptor. The tree reads through image, which must outlive it.
std::optional<Failure> open_iso_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree);

}  // namespace pdiset
