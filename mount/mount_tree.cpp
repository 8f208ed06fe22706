#include "mount_tree.h"

#include <algorithm>

#include "pdiset/civil_time.h"
#include "pdiset/layout.h"
#include "pdiset/names.h"

namespace quarnex_mount {

std::string set_base_name(const std::string& first_member) {
  size_t slash = first_member.find_last_of('/');
  std::string name = slash == std::string::npos ? first_member : first_member.substr(slash + 1);
  return pdiset::without_extension(name, pdiset::kSetExtension);
}

int64_t record_time(const pdiset::DirectoryRecord& r) {
  // The offset is the recording's time zone in 15-minute steps east of UTC.
  return pdiset::civil_seconds(r.year, r.month, r.day, r.hour, r.minute, r.second, int64_t{r.gmt_offset} * 15 * 60);
}

MountTree build_mount_tree(const std::string& base_name, const pdiset::FoundDirectory& found,
                           const pdiset::VolumeFacts& volume, int64_t iso_sectors, int64_t set_mtime,
                           std::vector<std::string>* notes) {
  MountTree tree;
  std::vector<pdiset::DirectoryRecord> listed;
  for (const pdiset::DirectoryRecord& r : found.records)
    if (pdiset::is_listed_file(r)) listed.push_back(r);

  tree.iso.name = base_name + ".iso";
  tree.iso.size = iso_sectors * pdiset::kSectorSize;
  tree.iso.mtime = set_mtime;

  // The folder: the directory's own name (for one at sector 69, the name the
  // root gives it), else the volume's, else the set's;
  // a name that cannot be a folder, or is the .iso's, falls back to the next.
  const pdiset::NameRules rules = pdiset::NameRules::kPosix;
  for (const std::string& candidate : {found.name, volume.sector69_name, volume.volume_name, base_name}) {
    if (!candidate.empty() && pdiset::is_safe_output_name(candidate, rules) && candidate != tree.iso.name) {
      tree.folder_name = candidate;
      break;
    }
  }
  if (tree.folder_name.empty()) tree.folder_name = "files";
  tree.folder_mtime = set_mtime;
  if (!found.records.empty() && found.records.front().name == std::string(1, '\0'))
    tree.folder_mtime = record_time(found.records.front());

  for (const pdiset::DirectoryRecord& r : listed) {
    std::string name = pdiset::output_file_name(r.name);
    if (!pdiset::is_safe_output_name(name, rules)) {
      notes->push_back("Warning: file " + pdiset::printable_name(r.name) +
                       " has a name that cannot be written safely, left out");
      continue;
    }
    MountEntry entry{name, int64_t{r.first_sector} * pdiset::kSectorSize, int64_t{r.data_length}, record_time(r)};
    auto same = std::find_if(tree.files.begin(), tree.files.end(),
                             [&name](const MountEntry& e) { return e.name == name; });
    if (same != tree.files.end()) {
      notes->push_back("Warning: two files are named " + pdiset::printable_name(name) +
                       "; the later one in the directory is shown");
      tree.files.erase(same);
    }
    tree.files.push_back(entry);
  }
  return tree;
}

}  // namespace quarnex_mount
