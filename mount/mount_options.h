// quarnex-mount's command line: [options] SET[.pdi] MOUNTPOINT, in the
// conventions of other FUSE programs.
#pragma once

#include <string>
#include <vector>

namespace quarnex_mount {

struct MountOptions {
  std::string set_name;     // the first member, ".pdi" added when missing
  std::string mount_point;
  bool foreground = false;  // -f
  bool debug = false;       // -d (implies -f)
  std::vector<std::string> fuse_options;  // the words after each -o, as kept_fuse_options keeps them
  bool help = false;        // -h, --help
  bool version = false;     // --version
};

// Parses argv[1..argc). Returns an empty string on success, else what is wrong.
std::string parse_mount_options(int argc, const char* const* argv, MountOptions* options);

// The words of one -o list FUSE is given: all but "rw" (the mount is
// read-only whatever mount(8) or fstab say) and the words mount(8) keeps for
// itself (defaults, auto, noauto, nofail, user, users, nouser, owner, group,
// _netdev, x-*, comment=*), which a FUSE mount would refuse. A comma with a
// backslash before it stays inside its word.
std::string kept_fuse_options(const std::string& list);

extern const char kUsage[];

}  // namespace quarnex_mount
