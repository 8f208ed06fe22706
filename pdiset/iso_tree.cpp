#include "iso_tree.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "byte_order.h"
#include "directory.h"
#include "folder_path.h"
#include "iso_names.h"
#include "iso9660_fields.h"
#include "iso_records.h"
#include "layout.h"
#include "rock_ridge.h"
#include "sections.h"
#include "volume_descriptors.h"

namespace pdiset {

using namespace iso9660;

namespace {

// Where the folder entry folder (of type kFolder, from this tree) lies.
const IsoFolderAt* where_of(const DiscEntry& folder) {
  return folder.folder ? std::get_if<IsoFolderAt>(&folder.folder->at) : nullptr;
}

Failure folder_failure(uint32_t sector, int error_number) {
  return Failure{"folder at image sector " + std::to_string(sector), error_number};
}

bool is_dot(const IsoRecord& r) { return r.record.name.size() == 1 && r.record.name[0] == '\0'; }
bool is_dot_dot(const IsoRecord& r) { return r.record.name.size() == 1 && r.record.name[0] == '\1'; }

enum class Names { kPlain, kRockRidge, kJoliet };

class IsoTree : public DiscTree {
 public:
  IsoTree(const ImageSource& image, Names names, unsigned skip, int64_t volume_sectors, uint32_t root_sector,
          uint32_t root_length, int64_t root_mtime)
      : image_(image), names_(names), skip_(skip), volume_sectors_(volume_sectors) {
    root_.name = "";
    root_.type = DiscEntryType::kFolder;
    root_.mtime = root_mtime;
    auto handle = std::make_shared<FolderHandle>();
    handle->at = IsoFolderAt{root_sector, root_length};
    root_.folder = std::move(handle);
  }

  TreeKind kind() const override {
    switch (names_) {
      case Names::kRockRidge: return TreeKind::kRockRidge;
      case Names::kJoliet: return TreeKind::kJoliet;
      default: return TreeKind::kIso9660;
    }
  }
  const DiscEntry& root() const override { return root_; }

  std::optional<Failure> read_folder(const DiscEntry& folder, std::vector<DiscEntry>* entries,
                                     std::vector<std::string>* notes) const override {
    entries->clear();
    const IsoFolderAt* at = where_of(folder);
    if (folder.type != DiscEntryType::kFolder || !at) return folder_failure(at ? at->sector : 0, ENOTDIR);
    if (std::optional<Failure> failure = list(folder, *at, entries, notes)) return failure;
    // Relocated folders live in a root folder of this name; shown where
    // their CL entries put them, it is left out when nothing else is in it.
    if (names_ != Names::kRockRidge || folder.folder->depth != 0) return std::nullopt;
    for (size_t i = 0; i < entries->size(); ++i) {
      const DiscEntry& e = (*entries)[i];
      if (e.type != DiscEntryType::kFolder || (e.name != "rr_moved" && e.name != ".rr_moved")) continue;
      std::vector<DiscEntry> moved;
      if (!list(e, *where_of(e), &moved, nullptr) && moved.empty())
        entries->erase(entries->begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
    return std::nullopt;
  }

 private:
  std::optional<Failure> read_records(uint32_t sector, uint32_t length, std::vector<unsigned char>* bytes) const {
    const int64_t at = int64_t{sector} * kSectorSize;
    if (length == 0) {
      // A relocated folder: its own "." record gives its length.
      unsigned char first[kSectorSize] = {};
      ReadOutcome read = image_.read(at, first, kSectorSize);
      if (read.failure) return folder_failure(sector, read.failure->error_number);
      if (read.bytes < kMinRecordLength || first[kRecordLength] < kMinRecordLength || first[kIdentifierLength] != 1 ||
          first[kIdentifier] != 0)
        return folder_failure(sector, 0);
      length = le32(first + kDataLength);
    }
    if (length > kMaxDirectoryBytes) return folder_failure(sector, EFBIG);
    const int64_t whole = (int64_t{length} + kSectorSize - 1) / kSectorSize * kSectorSize;
    bytes->assign(static_cast<size_t>(whole), 0);
    ReadOutcome read = image_.read(at, bytes->data(), whole);
    if (read.failure) return folder_failure(sector, read.failure->error_number);
    if (read.bytes < whole) return folder_failure(sector, 0);
    return std::nullopt;
  }

  std::optional<Failure> rock_ridge_of(const IsoRecord& r, uint32_t sector, RockRidge* rr) const {
    if (names_ != Names::kRockRidge) return std::nullopt;
    if (std::optional<Failure> failure = read_rock_ridge(image_, volume_sectors_, r.system_use, skip_, rr))
      return folder_failure(sector, failure->error_number);
    return std::nullopt;
  }

  std::string name_of(const IsoRecord& r, const RockRidge& rr) const {
    if (rr.has_name) return rr.name;
    return names_ == Names::kJoliet ? joliet_name(r.record.name) : plain_name(r.record.name);
  }

  // The entries of the folder at at; "." and ".." (and Rock Ridge PL) are
  // never read: a folder lies where the record naming it says.
  std::optional<Failure> list(const DiscEntry& folder, const IsoFolderAt& at, std::vector<DiscEntry>* entries,
                              std::vector<std::string>* notes) const {
    const uint32_t sector = at.sector;
    if (folder.folder->depth > kMaxIsoDepth) return folder_failure(sector, ELOOP);
    std::vector<unsigned char> bytes;
    if (std::optional<Failure> failure = read_records(sector, at.length, &bytes)) return failure;
    bool more = false;
    std::vector<IsoRecord> records =
        walk_iso_records(bytes.data(), static_cast<int64_t>(bytes.size()), kMaxFolderEntries + 2, &more);
    if (more) return folder_failure(sector, E2BIG);
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [](const IsoRecord& r) { return is_dot(r) || is_dot_dot(r); }),
                  records.end());
    const FolderPath path(*folder.folder);

    std::vector<DirectoryRecord> plain;
    plain.reserve(records.size());
    for (const IsoRecord& r : records) plain.push_back(r.record);
    entries->reserve(records.size());
    for (const SectionedFile& file : join_sections(plain)) {
      const IsoRecord& first = records[file.first];
      const IsoRecord& last = records[file.final_record];
      RockRidge rr;
      if (std::optional<Failure> failure = rock_ridge_of(last, sector, &rr)) return failure;
      if (rr.relocated) continue;
      DiscEntry e;
      e.name = name_of(last, rr);
      e.mtime = rr.mtime ? *rr.mtime : last.mtime;
      std::optional<int64_t> child;
      uint32_t child_length = 0;
      if (rr.child_link) {
        child = *rr.child_link;
      } else if (first.record.flags & 2) {
        child = first.data_sector();
        child_length = first.record.data_length;
      }
      if (child) {
        if (*child > UINT32_MAX) continue;
        const IsoFolderAt child_at{static_cast<uint32_t>(*child), child_length};
        if (path.holds(child_at)) {
          note_loop(e.name, notes);
          continue;
        }
        e.type = DiscEntryType::kFolder;
        e.folder = child_folder(folder, child_at);
      } else if (rr.is_link || (rr.mode && (*rr.mode & 0170000) == 0120000)) {
        e.type = DiscEntryType::kSymlink;
        e.link_target = rr.link_target;
        e.size = static_cast<int64_t>(rr.link_target.size());
      } else {
        e.type = DiscEntryType::kFile;
        e.size = file.length;
        if (rr.zisofs) {  // the extents hold the compressed file
          e.zisofs = rr.zisofs;
          e.size = rr.zisofs->uncompressed_size;
        }
        for (size_t i = file.first; i <= file.final_record; ++i)
          if (records[i].record.data_length > 0)
            e.extents.push_back(DataExtent{records[i].data_sector() * kSectorSize, records[i].record.data_length});
      }
      entries->push_back(std::move(e));
    }
    return std::nullopt;
  }

  const ImageSource& image_;
  Names names_;
  unsigned skip_;
  int64_t volume_sectors_;
  DiscEntry root_;
};

}  // namespace

std::optional<Failure> open_iso_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree) {
  tree->reset();
  VolumeDescriptors descriptors;
  if (std::optional<Failure> failure = read_volume_descriptors(image, &descriptors)) return failure;
  if (!descriptors.have_primary) return std::nullopt;
  const unsigned char* pvd = descriptors.primary;
  const unsigned char* joliet = descriptors.joliet;
  const bool have_joliet = descriptors.have_joliet;
  const int64_t volume_sectors = le32(pvd + kVolumeSpaceSize);
  const unsigned char* root = pvd + kRootRecord;
  uint32_t root_sector = le32(root + kExtent) + root[kEarLength];
  int64_t root_mtime = record_date_seconds(root + kRecordingDate);

  // Rock Ridge announces itself in the root's own "." record.
  unsigned char first[kSectorSize] = {};
  ReadOutcome read = image.read(int64_t{root_sector} * kSectorSize, first, kSectorSize);
  if (read.failure) return read.failure;
  bool more = false;
  std::vector<IsoRecord> dot = walk_iso_records(first, read.bytes, 1, &more);
  std::optional<unsigned> skip;
  if (!dot.empty() && is_dot(dot[0])) skip = rock_ridge_skip(dot[0].system_use);
  if (skip) {
    RockRidge rr;
    if (std::optional<Failure> failure = read_rock_ridge(image, volume_sectors, dot[0].system_use, *skip, &rr))
      return failure;
    if (rr.mtime) root_mtime = *rr.mtime;
    tree->reset(new IsoTree(image, Names::kRockRidge, *skip, volume_sectors, root_sector, le32(root + kDataLength),
                            root_mtime));
  } else if (have_joliet) {
    const unsigned char* jroot = joliet + kRootRecord;
    tree->reset(new IsoTree(image, Names::kJoliet, 0, volume_sectors, le32(jroot + kExtent) + jroot[kEarLength],
                            le32(jroot + kDataLength), record_date_seconds(jroot + kRecordingDate)));
  } else {
    tree->reset(
        new IsoTree(image, Names::kPlain, 0, volume_sectors, root_sector, le32(root + kDataLength), root_mtime));
  }
  return std::nullopt;
}

}  // namespace pdiset
