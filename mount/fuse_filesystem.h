// The FUSE file system over the mount's nodes: read-only, inode numbers the
// nodes' numbers, folders read when first visited, file reads served
// through the guarded reader into one buffer per FUSE thread.
#pragma once

#include <string>

#include "guarded_reader.h"
#include "mount_options.h"
#include "mount_nodes.h"

namespace quarnex_mount {

struct MountState {
  MountNodes* nodes = nullptr;
  GuardedReader* reader = nullptr;
  unsigned uid = 0, gid = 0;  // the owner shown for every entry
  bool folders_open_in_kernel = false;  // set at start when the kernel opens folders without asking
};

// Mounts at options.mount_point, goes to the background unless -f, and
// serves requests with several threads until unmounted or signalled.
// fsname is shown as the mount's source. Returns the exit status.
int serve(MountState* state, const MountOptions& options, const std::string& fsname);

}  // namespace quarnex_mount
