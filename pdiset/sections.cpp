#include "sections.h"

namespace pdiset {

std::vector<SectionedFile> join_sections(const std::vector<DirectoryRecord>& records) {
  std::vector<SectionedFile> files;
  size_t i = 0;
  while (i < records.size()) {
    SectionedFile file;
    file.first = i;
    file.count = 0;
    // Take records while the previous one says more of this name follow.
    size_t j = i;
    for (;;) {
      file.length += records[j].data_length;
      ++file.count;
      bool more = (records[j].flags & kNotFinalSection) != 0;
      if (!more) break;
      if (j + 1 == records.size() || records[j + 1].name != records[i].name) {
        file.unterminated = true;
        break;
      }
      ++j;
    }
    file.final_record = j;
    files.push_back(file);
    i = j + 1;
  }
  return files;
}

}  // namespace pdiset
