#include "mount_options.h"

#include "pdiset/layout.h"
#include "pdiset/names.h"

namespace quarnex_mount {

const char kUsage[] =
    "usage: quarnex-mount [options] SET[.pdi] MOUNTPOINT\n"
    "Shows the .pdi image set SET (or the set of any of its members) as a read-only folder:\n"
    "the disc's whole tree, and SET.iso, the whole image.\n"
    "\n"
    "  -f             stay in the foreground\n"
    "  -d             debug: print every FUSE request (implies -f)\n"
    "  -o OPT[,OPT]   FUSE mount options, for example allow_other\n"
    "  -h, --help     print this help\n"
    "  --version      print the version\n"
    "\n"
    "Unmount with: fusermount3 -u MOUNTPOINT\n";

std::string parse_mount_options(int argc, const char* const* argv, MountOptions* o) {
  std::vector<std::string> operands;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (options_end || word.empty() || word[0] != '-' || word == "-") {
      operands.push_back(word);
    } else if (word == "--") {
      options_end = true;
    } else if (word == "-h" || word == "--help") {
      o->help = true;
    } else if (word == "--version" || word == "-V") {
      o->version = true;
    } else if (word == "-f") {
      o->foreground = true;
    } else if (word == "-d" || word == "--debug") {
      o->debug = true;
      o->foreground = true;
    } else if (word == "-o") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return "-o needs mount options";
      o->fuse_options.push_back(argv[++i]);
    } else if (word.compare(0, 2, "-o") == 0) {
      o->fuse_options.push_back(word.substr(2));
    } else {
      return "unknown option " + word;
    }
  }
  if (o->help || o->version) return "";
  if (operands.size() < 2) return operands.empty() ? "no image set and mount point given" : "no mount point given";
  if (operands.size() > 2) return "unexpected argument " + operands[2];
  if (operands[0].empty()) return "empty image set name";
  if (operands[1].empty()) return "empty mount point name";
  // Any member of a set names the set; any other name is the set's name,
  // with ".pdi" added when it lacks one.
  if (pdiset::member_index(operands[0], &o->set_name) < 0)
    o->set_name = pdiset::with_extension(operands[0], pdiset::kSetExtension);
  o->mount_point = operands[1];
  return "";
}

}  // namespace quarnex_mount
