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
//   - a folder is shown once in the folder that holds it (later records with
//     the same extent are left out), and never when it is the root or the
//     folder itself; reading a folder checks that its ".." record (or Rock
//     Ridge PL) names the folder it was found in, so an extent pointing back
//     at an ancestor, or a CL entry into a loop, is refused instead of
//     looping (each extent has one recorded parent, so no folder can be its
//     own ancestor);
//   - the volume descriptors: at most kMaxVolumeDescriptors from sector 16.
// DiscEntry::node holds a folder's first sector (low 32 bits) and the sector
// of the folder it was found in (high 32 bits); node_length its byte length
// (low 32 bits, 0 for "as its own '.' record says") and its depth (above).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "directory.h"  // kMaxDirectoryBytes
#include "disc_tree.h"
#include "failure.h"
#include "image_source.h"

namespace pdiset {

const int kMaxIsoDepth = 1024;
const size_t kMaxFolderEntries = 250000;
const int kMaxVolumeDescriptors = 64;

// *tree is null, with no failure, when sector 16 holds no primary volume
// descriptor. The tree reads through image, which must outlive it.
std::optional<Failure> open_iso_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree);

}  // namespace pdiset
