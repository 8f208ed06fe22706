#include "file_selection.h"

#include <cstdio>

#include "command_line.h"
#include "diagnostics.h"
#include "engine/engine_state.h"
#include "pdiset/names.h"

bool file_word_matches(const std::string& word, const std::string& name) {
  if (!word.empty() && word.back() == '*') {
    return pdiset::starts_with_ignoring_ascii_case(name, word.substr(0, word.size() - 1));
  }
  return pdiset::equal_ignoring_ascii_case(word, name);
}

int select_files(const std::vector<std::string>& words) {
  int warnings = 0;
  for (FileEntry& entry : g_engine.file_table) entry.selected = false;
  for (const std::string& word : words) {
    bool matched = false;
    for (FileEntry& entry : g_engine.file_table) {
      if (file_word_matches(word, entry.name)) {
        entry.selected = true;
        matched = true;
      }
    }
    if (!matched) {
      fprintf(stderr, "Warning: file %s not found in .pdi set\n", word.c_str());
      ++warnings;
    }
  }
  return warnings;
}

bool any_file_selected() {
  for (const FileEntry& entry : g_engine.file_table)
    if (entry.selected) return true;
  return false;
}
