#include "command_line.h"

namespace quarnpad {

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string compose_run(const std::string& prefix, const std::string& destination,
                        const std::string& image) {
  return prefix + quoted(destination) + " " + quoted(image);
}

std::string compose_list_run(const std::string& list_file, const std::string& image) {
  return "quarnex -gb " + quoted(list_file) + " " + quoted(image);
}

std::string compose_selected_run(const std::string& prefix,
                                 const std::string& destination,
                                 const std::string& image,
                                 const std::string& name_list) {
  return compose_run(prefix, destination, image) + name_list;
}

}  // namespace quarnpad
