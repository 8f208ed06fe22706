#include "list_file.h"

#include <cstdio>

#include "diagnostics.h"
#include "engine/engine_state.h"
#include "member_guard.h"

std::string format_list_record(ListFormat format, const std::string& name, int64_t size) {
  const std::string size_text = std::to_string(size);
  switch (format) {
    case kListNames: return name + "\r\n";
    case kListNameCommaSize: return name + "," + size_text + "\r\n";
    case kListNameThenSize: return name + "\r\n" + size_text + "\r\n";
    case kListNameBlankSize: break;
  }
  return name + " " + size_text + "\r\n";
}

void write_list_file(const char* path, ListFormat format) {
  refuse_if_member(path);
  FILE* file = fopen(path, "wb");
  if (!file) fatal_system_error(path);
  for (const FileEntry& entry : g_engine.file_table) {
    std::string record = format_list_record(format, entry.name, entry.byte_length);
    fwrite(record.data(), 1, record.size(), file);
  }
  fclose(file);
}
