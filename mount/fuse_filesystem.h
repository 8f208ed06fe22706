// The FUSE file system over a mount tree: read-only, a fixed tree of inodes
// (1 the root, 2 the .iso, 3 the folder, 4.. its files), file reads served
// through the guarded reader into one buffer per FUSE thread.
#pragma once

#include <string>

#include "guarded_reader.h"
#include "mount_options.h"
#include "mount_tree.h"

namespace quarnex_mount {

struct MountState {
  const MountTree* tree = nullptr;
  GuardedReader* reader = nullptr;
  unsigned uid = 0, gid = 0;  // the owner shown for every entry
};

// Mounts at options.mount_point, goes to the background unless -f, and
// serves requests with several threads until unmounted or signalled.
// fsname is shown as the mount's source. Returns the exit status.
int serve(MountState* state, const MountOptions& options, const std::string& fsname);

}  // namespace quarnex_mount
