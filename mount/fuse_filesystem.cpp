#define FUSE_USE_VERSION 312
#include "fuse_filesystem.h"

#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace quarnex_mount {

namespace {

// Nothing in the tree ever changes: the kernel may keep names and attributes.
const double kTimeout = 86400.0;

MountState* state_of(fuse_req_t req) { return static_cast<MountState*>(fuse_req_userdata(req)); }

mode_t mode_of(NodeType type) {
  switch (type) {
    case NodeType::kFolder: return S_IFDIR | 0555;
    case NodeType::kSymlink: return S_IFLNK | 0777;
    case NodeType::kFile: break;
  }
  return S_IFREG | 0444;
}

bool attributes_of(const MountState* s, fuse_ino_t ino, struct stat* st) {
  memset(st, 0, sizeof *st);
  const Node* n = s->nodes->node(ino);
  if (!n) return false;
  st->st_ino = ino;
  st->st_uid = s->uid;
  st->st_gid = s->gid;
  st->st_blksize = 128 * 1024;  // what readers take as their buffer size: large, yet in the cache
  st->st_mode = mode_of(n->type);
  // A folder's count of subfolders is not known before it is read: 1 tells
  // tree walkers not to count on it.
  st->st_nlink = 1;
  st->st_size = n->size;
  st->st_blocks = (n->size + 511) / 512;
  st->st_mtime = st->st_atime = st->st_ctime = n->mtime;
  return true;
}

void on_init(void* userdata, struct fuse_conn_info* conn) {
  // Reads as large as the kernel sends them; the tree never changes, so
  // cached data is dropped only when the file system says so on open.
  conn->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
  if (conn->capable & FUSE_CAP_ASYNC_READ) conn->want |= FUSE_CAP_ASYNC_READ;
  if (conn->capable & FUSE_CAP_READDIRPLUS) conn->want |= FUSE_CAP_READDIRPLUS;
  // A walk of the tree (du, find) opens every folder: a kernel that can
  // open them itself saves two requests a folder, and keeps their listings
  // cached as on_opendir asks it to. A folder that cannot be read then
  // fails when it is listed.
  if (conn->capable & FUSE_CAP_NO_OPENDIR_SUPPORT) {
    conn->want |= FUSE_CAP_NO_OPENDIR_SUPPORT;
    static_cast<MountState*>(userdata)->folders_open_in_kernel = true;
  }
}

void reply_entry(fuse_req_t req, MountState* s, fuse_ino_t ino) {
  struct fuse_entry_param e;
  memset(&e, 0, sizeof e);
  e.entry_timeout = kTimeout;  // a name that is not there stays away too
  if (ino && attributes_of(s, ino, &e.attr)) {
    e.ino = ino;
    e.generation = 1;
    e.attr_timeout = kTimeout;
  }
  fuse_reply_entry(req, &e);
}

void on_lookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
  MountState* s = state_of(req);
  int64_t found = s->nodes->lookup(parent, name);
  if (found < 0) {
    fuse_reply_err(req, EIO);
    return;
  }
  reply_entry(req, s, static_cast<fuse_ino_t>(found));
}

void on_getattr(fuse_req_t req, fuse_ino_t ino, struct fuse_file_info*) {
  struct stat st;
  if (!attributes_of(state_of(req), ino, &st)) {
    fuse_reply_err(req, ENOENT);
    return;
  }
  fuse_reply_attr(req, &st, kTimeout);
}

void on_readlink(fuse_req_t req, fuse_ino_t ino) {
  const Node* n = state_of(req)->nodes->node(ino);
  if (!n || n->type != NodeType::kSymlink) {
    fuse_reply_err(req, EINVAL);
    return;
  }
  fuse_reply_readlink(req, n->data.c_str());
}

void on_opendir(fuse_req_t req, fuse_ino_t ino, struct fuse_file_info* fi) {
  if (state_of(req)->folders_open_in_kernel) {
    fuse_reply_err(req, ENOSYS);  // the kernel opens folders from now on
    return;
  }
  const FolderEntries* f = state_of(req)->nodes->folder(ino);
  if (!f || f->failed) {
    fuse_reply_err(req, f ? EIO : ENOTDIR);
    return;
  }
  fi->cache_readdir = 1;
  fi->keep_cache = 1;
  fuse_reply_open(req, fi);
}

// One buffer per FUSE thread for reads and one for listings, as large as
// the largest reply so far: a reply allocates and clears nothing once its
// thread has given one (the kernel asks up to 128 KiB of entries at once).
struct ReadBuffer {
  std::unique_ptr<char[]> bytes;
  size_t capacity = 0;
};

// The entries in a fixed order: ".", "..", then the folder's children; off
// is the index of the next one. plus: with each entry's attributes.
void read_folder(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, bool plus) {
  MountState* s = state_of(req);
  const FolderEntries* f = s->nodes->folder(ino);
  const Node* self = s->nodes->node(ino);
  if (!f || f->failed) {
    fuse_reply_err(req, f ? EIO : ENOTDIR);
    return;
  }
  thread_local ReadBuffer listing;
  if (listing.capacity < size) {
    listing.capacity = size;
    listing.bytes.reset(new char[size]);
  }
  char* buffer = listing.bytes.get();
  size_t used = 0;
  const size_t total = f->children.size() + 2;
  for (size_t i = static_cast<size_t>(std::max<off_t>(off, 0)); i < total; ++i) {
    const fuse_ino_t child = i == 0 ? ino : i == 1 ? self->parent : f->children[i - 2];
    const char* name = i == 0 ? "." : i == 1 ? ".." : s->nodes->node(child)->name.data();  // names end with a NUL
    size_t need;
    if (plus) {
      struct fuse_entry_param e;
      memset(&e, 0, sizeof e);
      attributes_of(s, child, &e.attr);
      if (i >= 2) {  // the kernel takes no entry for "." and ".."
        e.ino = child;
        e.generation = 1;
        e.attr_timeout = e.entry_timeout = kTimeout;
      }
      need = fuse_add_direntry_plus(req, buffer + used, size - used, name, &e, static_cast<off_t>(i + 1));
    } else {
      struct stat st;
      memset(&st, 0, sizeof st);
      st.st_ino = child;
      st.st_mode = mode_of(s->nodes->node(child)->type);
      need = fuse_add_direntry(req, buffer + used, size - used, name, &st, static_cast<off_t>(i + 1));
    }
    if (need > size - used) break;
    used += need;
  }
  fuse_reply_buf(req, buffer, used);
}

void on_readdir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, struct fuse_file_info*) {
  read_folder(req, ino, size, off, false);
}

void on_readdirplus(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, struct fuse_file_info*) {
  read_folder(req, ino, size, off, true);
}

// The file numbered ino, or null once the request has been answered with
// the reason it is not one.
const Node* file_node_or_reply(fuse_req_t req, MountState* s, fuse_ino_t ino) {
  const Node* n = s->nodes->node(ino);
  int error = !n ? ENOENT : n->type == NodeType::kFolder ? EISDIR : n->type == NodeType::kSymlink ? EINVAL : 0;
  if (error) fuse_reply_err(req, error);
  return error ? nullptr : n;
}

void on_open(fuse_req_t req, fuse_ino_t ino, struct fuse_file_info* fi) {
  MountState* s = state_of(req);
  const Node* n = file_node_or_reply(req, s, ino);
  if (!n) return;
  if ((fi->flags & O_ACCMODE) != O_RDONLY) {
    fuse_reply_err(req, EROFS);
    return;
  }
  // A zisofs file that breaks the format's rules is not read at all.
  if (n->zisofs) {
    ZisofsRead check = check_zisofs_pieces(s->reader, n->pieces, zisofs_format(*n));
    if (check.bytes < 0) {
      if (check.fault != pdiset::ZisofsFault::kNone)
        s->nodes->note_unreadable(ino, pdiset::describe_zisofs_fault(check.fault));
      fuse_reply_err(req, static_cast<int>(-check.bytes));
      return;
    }
  }
  // The kernel keeps what it read of a file from one open to the next while
  // every member is in place; once one is missing, pages cached from it are
  // dropped so that its bytes read as errors.
  fi->keep_cache = pieces_in_place(s->reader, n->pieces) ? 1 : 0;
  fuse_reply_open(req, fi);
}

void on_read(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, struct fuse_file_info*) {
  MountState* s = state_of(req);
  const Node* n = file_node_or_reply(req, s, ino);
  if (!n) return;
  thread_local ReadBuffer buffer;
  if (buffer.capacity < size) {
    buffer.capacity = std::max<size_t>(size, 1 << 20);
    buffer.bytes.reset(new char[buffer.capacity]);
  }
  int64_t got;
  if (n->zisofs) {
    ZisofsRead read = read_zisofs_pieces(s->reader, n->pieces, zisofs_format(*n), off, buffer.bytes.get(),
                                         static_cast<int64_t>(size));
    if (read.fault != pdiset::ZisofsFault::kNone)
      s->nodes->note_unreadable(ino, pdiset::describe_zisofs_fault(read.fault));
    got = read.bytes;
  } else {
    got = read_pieces(s->reader, n->pieces, n->data, n->size, off, buffer.bytes.get(), static_cast<int64_t>(size));
  }
  if (got < 0) {
    fuse_reply_err(req, static_cast<int>(-got));
    return;
  }
  fuse_reply_buf(req, buffer.bytes.get(), static_cast<size_t>(got));
}

void on_statfs(fuse_req_t req, fuse_ino_t) {
  MountState* s = state_of(req);
  struct statvfs st;
  memset(&st, 0, sizeof st);
  st.f_bsize = st.f_frsize = 2048;
  st.f_blocks = static_cast<fsblkcnt_t>(s->nodes->iso().size / 2048);
  st.f_files = s->nodes->count();
  st.f_namemax = 255;
  st.f_flag = ST_RDONLY;
  fuse_reply_statfs(req, &st);
}

fuse_lowlevel_ops operations() {
  fuse_lowlevel_ops ops;
  memset(&ops, 0, sizeof ops);
  ops.init = on_init;
  ops.lookup = on_lookup;
  ops.getattr = on_getattr;
  ops.readlink = on_readlink;
  ops.opendir = on_opendir;
  ops.readdir = on_readdir;
  ops.readdirplus = on_readdirplus;
  ops.open = on_open;
  ops.read = on_read;
  ops.statfs = on_statfs;
  return ops;
}

// FUSE's own arguments: read-only, permissions checked by the kernel from
// the modes shown, the type fuse.quarnex-mount (the name mount -t and fstab
// give), the set as the source, then the user's -o words.
std::vector<std::string> fuse_words(const MountOptions& options, const std::string& fsname) {
  std::string escaped;
  for (char c : fsname) {
    if (c == ',' || c == '\\') escaped += '\\';
    escaped += c;
  }
  std::vector<std::string> words{"quarnex-mount", "-o", "ro,default_permissions,subtype=quarnex-mount,fsname=" + escaped};
  for (const std::string& o : options.fuse_options) {
    words.push_back("-o");
    words.push_back(o);
  }
  if (options.debug) words.push_back("-d");
  return words;
}

// Standard error stays where it was in the background when it is a terminal
// or a file, so notes about missing members are seen; a pipe is let go so
// that whoever reads it is not kept waiting for the mount to end.
bool keep_stderr_in_background() {
  struct stat st;
  return fstat(2, &st) == 0 && !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode);
}

}  // namespace

int serve(MountState* state, const MountOptions& options, const std::string& fsname) {
  std::vector<std::string> words = fuse_words(options, fsname);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  struct fuse_args args = FUSE_ARGS_INIT(static_cast<int>(words.size()), argv.data());
  fuse_lowlevel_ops ops = operations();
  struct fuse_session* session = fuse_session_new(&args, &ops, sizeof ops, state);
  if (!session) {
    fprintf(stderr, "quarnex-mount: the FUSE options were not accepted\n");
    return 1;
  }
  int status = 1;
  if (fuse_set_signal_handlers(session) != 0) {
    fprintf(stderr, "quarnex-mount: cannot set up signal handlers\n");
  } else {
    if (fuse_session_mount(session, options.mount_point.c_str()) != 0) {
      fprintf(stderr, "quarnex-mount: cannot mount on %s\n", options.mount_point.c_str());
    } else {
      int saved_stderr = options.foreground || !keep_stderr_in_background() ? -1 : dup(2);
      fuse_daemonize(options.foreground ? 1 : 0);
      if (saved_stderr >= 0) {
        dup2(saved_stderr, 2);
        close(saved_stderr);
      }
      struct fuse_loop_config* config = fuse_loop_cfg_create();
      fuse_loop_cfg_set_max_threads(config, 8);
      fuse_loop_cfg_set_idle_threads(config, 8);
      status = fuse_session_loop_mt(session, config) == 0 ? 0 : 1;
      fuse_loop_cfg_destroy(config);
      fuse_session_unmount(session);
    }
    fuse_remove_signal_handlers(session);
  }
  fuse_session_destroy(session);
  fuse_opt_free_args(&args);
  return status;
}

}  // namespace quarnex_mount
