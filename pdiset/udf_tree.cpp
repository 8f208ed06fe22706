#include "udf_tree.h"

#include "folder_path.h"
#include "udf_fields.h"
#include "udf_names.h"
#include "udf_volume.h"

namespace pdiset {

namespace {

using udf::BlockAddress;
using udf::FileEntry;
using udf::LongAd;

UdfFolderAt folder_at(BlockAddress a) { return UdfFolderAt{a.partition, a.block}; }

LongAd icb_at(BlockAddress a) {
  LongAd icb;
  icb.length = udf::kBlockSize;
  icb.address = a;
  return icb;
}

class UdfTree : public DiscTree {
 public:
  UdfTree(std::unique_ptr<udf::Volume> volume, DiscEntry root) : volume_(std::move(volume)), root_(std::move(root)) {}
  TreeKind kind() const override { return TreeKind::kUdf; }
  const DiscEntry& root() const override { return root_; }
  std::optional<Failure> read_folder(const DiscEntry& folder, std::vector<DiscEntry>* entries,
                                     std::vector<std::string>* notes) const override;

 private:
  std::unique_ptr<udf::Volume> volume_;
  DiscEntry root_;
};

std::string where_text(BlockAddress a) {
  return "partition " + std::to_string(a.partition) + " block " + std::to_string(a.block);
}

std::optional<Failure> UdfTree::read_folder(const DiscEntry& folder, std::vector<DiscEntry>* entries,
                                            std::vector<std::string>* notes) const {
  entries->clear();
  const UdfFolderAt* at = folder.folder ? std::get_if<UdfFolderAt>(&folder.folder->at) : nullptr;
  if (folder.type != DiscEntryType::kFolder || !at) return udf::damaged("not a folder: " + folder.name);
  if (folder.folder->depth > kUdfMaxDepth)
    return udf::damaged("folders nest deeper than " + std::to_string(kUdfMaxDepth));
  const BlockAddress self{at->partition, at->block};

  BlockAddress where;
  FileEntry entry;
  bool bad = false;
  if (auto failure = volume_->read_entry(icb_at(self), &where, &entry, &bad)) return failure;
  if (bad || entry.file_type != udf::kTypeDirectory) return udf::damaged("no folder at " + where_text(self));
  udf::Budget budget{kUdfMaxFolderRuns, kUdfMaxFolderLookups};
  udf::FileData data;
  std::string records;
  if (auto failure = volume_->entry_data(entry, where, &budget, &data, &bad)) return failure;
  if (!bad)
    if (auto failure = volume_->read_data(data, kUdfMaxFolderBytes, &records, &bad)) return failure;
  if (bad) return udf::damaged("the records of the folder at " + where_text(self));

  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(records.data());
  const size_t size = records.size();
  const FolderPath path(*folder.folder);
  size_t held = 0;  // bytes the entries take
  namespace fields = udf::file_identifier;
  for (size_t at = 0; at + fields::kFixedPart <= size;) {
    const unsigned char* fid = bytes + at;
    udf::Tag tag;
    if (!udf::read_tag(fid, udf::tag::kSize, &tag) || tag.id != udf::kFileIdentifier) {
      bool blank = true;
      for (int i = 0; i < udf::tag::kSize; ++i) blank &= fid[i] == 0;
      if (blank) break;  // the records end before the folder's recorded length
      return udf::damaged("a record of the folder at " + where_text(self));
    }
    const unsigned characteristics = fid[fields::kCharacteristics], name_length = fid[fields::kNameLength],
                   use_length = le16(fid + fields::kUseLength);
    const size_t length = fields::kFixedPart + size_t{use_length} + name_length;
    if (length > size - at) return udf::damaged("a record of the folder at " + where_text(self));
    at += (length + 3) & ~size_t{3};
    const LongAd icb = udf::read_long_ad(fid + fields::kIcb);
    // Deleted entries and the parent entry; a folder is where the entry
    // naming it says, whatever its parent entry names.
    if (characteristics & (fields::kDeleted | fields::kParent)) continue;
    DiscEntry child;
    if (name_length == 0 ||
        !udf::compressed_unicode_to_utf8(fid + fields::kFixedPart + use_length, name_length, &child.name) ||
        !volume_->names_partition(icb.address.partition))
      continue;
    BlockAddress child_where;
    FileEntry child_entry;
    if (auto failure = volume_->read_entry(icb, &child_where, &child_entry, &bad)) return failure;
    if (bad) continue;
    child.mtime = child_entry.mtime;
    switch (child_entry.file_type) {
      case udf::kTypeDirectory: {
        if (path.holds(folder_at(child_where))) {
          note_loop(child.name, notes);
          continue;
        }
        child.type = DiscEntryType::kFolder;
        child.folder = child_folder(folder, folder_at(child_where));
        break;
      }
      case udf::kTypeUnspecified:
      case udf::kTypeFile: {
        udf::FileData file;
        if (auto failure = volume_->entry_data(child_entry, child_where, &budget, &file, &bad)) return failure;
        if (bad) {
          if (budget.spent()) return udf::damaged("too many runs in the folder at " + where_text(self));
          continue;
        }
        child.type = DiscEntryType::kFile;
        child.size = file.length;
        if (file.is_inline)
          child.inline_data = std::move(file.inline_bytes);
        else
          child.extents = std::move(file.runs);
        break;
      }
      case udf::kTypeSymlink: {
        udf::FileData file;
        std::string components;
        udf::Budget link_budget{64, 64};
        if (auto failure = volume_->entry_data(child_entry, child_where, &link_budget, &file, &bad)) return failure;
        if (!bad)
          if (auto failure = volume_->read_data(file, kUdfMaxLinkBytes, &components, &bad)) return failure;
        if (bad || !udf::symlink_target(reinterpret_cast<const unsigned char*>(components.data()),
                                        components.size(), &child.link_target))
          continue;
        child.type = DiscEntryType::kSymlink;
        child.size = static_cast<int64_t>(child.link_target.size());
        break;
      }
      default:
        continue;  // devices, pipes, sockets and the volume's own files
    }
    held += sizeof child + child.name.size() + child.inline_data.size() + child.link_target.size() +
            child.extents.size() * sizeof(DataExtent);
    if (held > kUdfMaxFolderHeld) return udf::damaged("the folder at " + where_text(self) + " is too large");
    entries->push_back(std::move(child));
  }
  return std::nullopt;
}

}  // namespace

std::optional<Failure> open_udf_tree(const ImageSource& image, std::unique_ptr<DiscTree>* tree) {
  tree->reset();
  std::unique_ptr<udf::Volume> volume;
  if (auto failure = udf::Volume::open(image, &volume)) return failure;
  if (!volume) return std::nullopt;
  BlockAddress where;
  FileEntry entry;
  bool bad = false;
  if (!volume->names_partition(volume->root().address.partition)) return udf::damaged("no root folder");
  if (auto failure = volume->read_entry(volume->root(), &where, &entry, &bad)) return failure;
  if (bad || entry.file_type != udf::kTypeDirectory) return udf::damaged("no root folder");
  DiscEntry root;
  root.type = DiscEntryType::kFolder;
  root.mtime = entry.mtime;
  auto handle = std::make_shared<FolderHandle>();
  handle->at = folder_at(where);
  root.folder = std::move(handle);
  tree->reset(new UdfTree(std::move(volume), std::move(root)));
  return std::nullopt;
}

std::optional<int64_t> udf_volume_sectors(const ImageSource& image) {
  std::unique_ptr<udf::Volume> volume;
  if (udf::Volume::open(image, &volume) || !volume) return std::nullopt;
  return volume->sectors_spanned();
}

}  // namespace pdiset
