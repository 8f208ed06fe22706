#include "list_path.h"

namespace quarnpad {

std::string list_file_path(const std::string& temp_folder) {
  if (temp_folder.empty()) return "C:\\pdilist.txt";
  std::string path = temp_folder;
  if (path.back() != '\\' && path.back() != '/') path += '\\';
  return path + "pdilist.txt";
}

}  // namespace quarnpad
