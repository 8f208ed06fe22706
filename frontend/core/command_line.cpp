#include "command_line.h"

namespace quarnpad {

std::string quoted_word(const std::string& path) {
  // quarnex reads a backslash before a quote as escaping it, unless that
  // backslash follows another one: then only the second is dropped and the
  // quote closes. Other backslashes are ordinary, so one more at the end is
  // all a trailing run needs.
  bool trailing_backslash = !path.empty() && path.back() == '\\';
  return "\"" + path + (trailing_backslash ? "\\" : "") + "\"";
}

std::string compose_run(const std::string& prefix, const std::string& destination,
                        const std::string& image) {
  return prefix + quoted_word(destination) + " " + quoted_word(image);
}

std::string compose_list_run(const std::string& list_file, const std::string& image) {
  return "quarnex -gb " + quoted_word(list_file) + " " + quoted_word(image);
}

std::string compose_selected_run(const std::string& prefix,
                                 const std::string& destination,
                                 const std::string& image,
                                 const std::string& name_list) {
  return compose_run(prefix, destination, image) + name_list;
}

}  // namespace quarnpad
