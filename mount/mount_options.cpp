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
    "  -o OPT[,OPT]   FUSE mount options, for example allow_other; rw and the words\n"
    "                 mount(8) keeps for itself (nofail, noauto, user, _netdev, x-*)\n"
    "                 are ignored: the mount is always read-only\n"
    "  -h, --help     print this help\n"
    "  --version      print the version\n"
    "\n"
    "Unmount with: fusermount3 -u MOUNTPOINT\n";

namespace {

// Words of fstab's option field that tell mount(8), not the file system,
// what to do; a helper run from mount(8) or fstab may still be given them.
bool is_mount_command_word(const std::string& word) {
  static const char* const kWords[] = {"defaults", "auto",  "noauto",  "nofail", "user",
                                       "users",    "nouser", "owner",  "group",  "_netdev"};
  for (const char* w : kWords)
    if (word == w) return true;
  return word.compare(0, 2, "x-") == 0 || word.compare(0, 8, "comment=") == 0;
}

void add_fuse_options(const std::string& list, MountOptions* o) {
  std::string kept = kept_fuse_options(list);
  if (!kept.empty()) o->fuse_options.push_back(kept);
}

}  // namespace

std::string kept_fuse_options(const std::string& list) {
  std::string kept, word;
  auto end_word = [&] {
    if (!word.empty() && word != "rw" && !is_mount_command_word(word)) kept += (kept.empty() ? "" : ",") + word;
    word.clear();
  };
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == ',') {
      end_word();
    } else {
      // A backslash keeps the next character, a comma too, in the word.
      if (list[i] == '\\' && i + 1 < list.size()) word += list[i++];
      word += list[i];
    }
  }
  end_word();
  return kept;
}

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
      add_fuse_options(argv[++i], o);
    } else if (word.compare(0, 2, "-o") == 0) {
      add_fuse_options(word.substr(2), o);
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
