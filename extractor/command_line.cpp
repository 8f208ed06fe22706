#include "command_line.h"

#include <cstring>

#include "pdiset/layout.h"
#include "pdiset/names.h"

using pdiset::fold_ascii_case;

// Whether letter names a list format, and which.
static bool list_format_of(char letter, ListFormat* format) {
  switch (fold_ascii_case(letter)) {
    case 'l': *format = kListNames; return true;
    case 's': *format = kListNameCommaSize; return true;
    case 'f': *format = kListNameThenSize; return true;
    case 'b': *format = kListNameBlankSize; return true;
  }
  return false;
}

ParseResult parse_command_line(const std::vector<std::string>& words, RunOptions* o) {
  const size_t count = words.size();
  size_t i = 1;
  // The word an option takes: the next one, used unchanged even when it
  // begins with "-".
  auto take = [&](std::optional<std::string>* field) {
    if (i + 1 >= count) return false;
    if (field) *field = words[i + 1];
    i += 2;
    return true;
  };
  // An option that takes no word.
  auto set = [&](bool* flag) {
    *flag = true;
    ++i;
  };
  bool empty_iso_name = false;
  while (i < count && !words[i].empty() && words[i][0] == '-') {
    const std::string& word = words[i];
    if (word.size() < 2) return kShowUsage;
    switch (fold_ascii_case(word[1])) {
      case 'l':
        set(&o->list_only);
        break;
      case 'i':
        if (!take(&o->iso_name)) return kShowUsage;
        empty_iso_name = o->iso_name->empty();
        o->iso_name = pdiset::with_extension(*o->iso_name, ".iso");
        break;
      case 'r':
        set(&o->remove_members);
        break;
      case 'd':
        if (!take(&o->output_directory)) return kShowUsage;
        break;
      case 'm':
        if (!take(&o->output_directory)) return kShowUsage;
        o->make_directory = true;
        break;
      case 'v':
        set(&o->video_ts);
        break;
      case 'x':
        // -x takes no word of its own: exactly the image name must follow.
        if (count - i != 2) return kShowUsage;
        o->make_directory = o->video_ts = o->remove_members = true;
        // Into a directory named like the image, less a final ".pdi".
        o->output_directory = pdiset::without_extension(words[i + 1], pdiset::kSetExtension);
        ++i;
        break;
      case 'g': {
        ListFormat format = kListNames;
        if (word.size() < 3 || !list_format_of(word[2], &format) || !take(&o->list_file)) return kShowUsage;
        o->list_only = true;
        o->list_format = format;
        break;
      }
      case 'n':
        if (!take(nullptr)) return kShowUsage;
        break;
      default:
        return kShowUsage;
    }
  }
  if (i >= count) return kShowUsage;
  o->image_word = static_cast<int>(i);
  bool has_file_words = i + 1 < count;
  if (has_file_words && (o->iso_name || o->list_only)) return kSelectionNotAllowed;
  // An empty name would put the files at the root of the drive.
  if (o->output_directory && o->output_directory->empty()) return kEmptyOutputDirectory;
  if (empty_iso_name) return kEmptyImageName;
  return kParsed;
}
