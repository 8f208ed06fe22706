#define FUSE_USE_VERSION 312
#include "fuse_filesystem.h"

#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace quarnex_mount {

namespace {

const fuse_ino_t kRoot = FUSE_ROOT_ID, kIso = 2, kFolder = 3, kFirstFile = 4;
// Nothing in the tree ever changes: the kernel may keep names and attributes.
const double kTimeout = 86400.0;

MountState* state_of(fuse_req_t req) { return static_cast<MountState*>(fuse_req_userdata(req)); }

const MountEntry* entry_of(const MountState* s, fuse_ino_t ino) {
  if (ino == kIso) return &s->tree->iso;
  if (ino >= kFirstFile && ino - kFirstFile < s->tree->files.size()) return &s->tree->files[ino - kFirstFile];
  return nullptr;
}

bool attributes_of(const MountState* s, fuse_ino_t ino, struct stat* st) {
  memset(st, 0, sizeof *st);
  st->st_ino = ino;
  st->st_uid = s->uid;
  st->st_gid = s->gid;
  st->st_blksize = 128 * 1024;  // what readers take as their buffer size: large, yet in the cache
  if (ino == kRoot || ino == kFolder) {
    st->st_mode = S_IFDIR | 0555;
    st->st_nlink = ino == kRoot ? 3 : 2;
    st->st_mtime = ino == kRoot ? s->tree->iso.mtime : s->tree->folder_mtime;
  } else if (const MountEntry* e = entry_of(s, ino)) {
    st->st_mode = S_IFREG | 0444;
    st->st_nlink = 1;
    st->st_size = e->size;
    st->st_blocks = (e->size + 511) / 512;
    st->st_mtime = e->mtime;
  } else {
    return false;
  }
  st->st_atime = st->st_ctime = st->st_mtime;
  return true;
}

void on_init(void*, struct fuse_conn_info* conn) {
  // Reads as large as the kernel sends them; the tree never changes, so
  // cached data is dropped only when the file system says so on open.
  conn->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
  if (conn->capable & FUSE_CAP_ASYNC_READ) conn->want |= FUSE_CAP_ASYNC_READ;
}

void on_lookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
  MountState* s = state_of(req);
  fuse_ino_t found = 0;
  if (parent == kRoot) {
    if (s->tree->iso.name == name) found = kIso;
    else if (s->tree->folder_name == name) found = kFolder;
  } else if (parent == kFolder) {
    for (size_t i = 0; i < s->tree->files.size() && !found; ++i)
      if (s->tree->files[i].name == name) found = kFirstFile + i;
  }
  struct fuse_entry_param e;
  memset(&e, 0, sizeof e);
  if (!found || !attributes_of(s, found, &e.attr)) {
    e.entry_timeout = kTimeout;  // a name that is not there stays away
    fuse_reply_entry(req, &e);
    return;
  }
  e.ino = found;
  e.generation = 1;
  e.attr_timeout = e.entry_timeout = kTimeout;
  fuse_reply_entry(req, &e);
}

void on_getattr(fuse_req_t req, fuse_ino_t ino, struct fuse_file_info*) {
  struct stat st;
  if (!attributes_of(state_of(req), ino, &st)) {
    fuse_reply_err(req, ENOENT);
    return;
  }
  fuse_reply_attr(req, &st, kTimeout);
}

void on_opendir(fuse_req_t req, fuse_ino_t ino, struct fuse_file_info* fi) {
  if (ino != kRoot && ino != kFolder) {
    fuse_reply_err(req, ENOTDIR);
    return;
  }
  fi->cache_readdir = 1;
  fi->keep_cache = 1;
  fuse_reply_open(req, fi);
}

void on_readdir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, struct fuse_file_info*) {
  MountState* s = state_of(req);
  // The entries in a fixed order: ".", "..", then the .iso and the folder or
  // the folder's files; off is the index of the next one.
  std::vector<std::pair<std::string, fuse_ino_t>> names{{".", ino}, {"..", kRoot}};
  if (ino == kRoot) {
    names.push_back({s->tree->iso.name, kIso});
    names.push_back({s->tree->folder_name, kFolder});
  } else if (ino == kFolder) {
    for (size_t i = 0; i < s->tree->files.size(); ++i) names.push_back({s->tree->files[i].name, kFirstFile + i});
  } else {
    fuse_reply_err(req, ENOTDIR);
    return;
  }
  std::vector<char> buffer(size);
  size_t used = 0;
  for (size_t i = static_cast<size_t>(off); i < names.size(); ++i) {
    struct stat st;
    memset(&st, 0, sizeof st);
    st.st_ino = names[i].second;
    st.st_mode = names[i].second == kRoot || names[i].second == kFolder ? S_IFDIR : S_IFREG;
    size_t need = fuse_add_direntry(req, buffer.data() + used, size - used, names[i].first.c_str(), &st,
                                    static_cast<off_t>(i + 1));
    if (need > size - used) break;
    used += need;
  }
  fuse_reply_buf(req, buffer.data(), used);
}

void on_open(fuse_req_t req, fuse_ino_t ino, struct fuse_file_info* fi) {
  MountState* s = state_of(req);
  const MountEntry* e = entry_of(s, ino);
  if (!e) {
    fuse_reply_err(req, ino == kRoot || ino == kFolder ? EISDIR : ENOENT);
    return;
  }
  if ((fi->flags & O_ACCMODE) != O_RDONLY) {
    fuse_reply_err(req, EROFS);
    return;
  }
  // The kernel keeps what it read of a file from one open to the next while
  // every member is in place; once one is missing, pages cached from it are
  // dropped so that its bytes read as errors.
  fi->keep_cache = s->reader->check_entry(*e) ? 1 : 0;
  fuse_reply_open(req, fi);
}

// One buffer per FUSE thread, as large as the largest read so far: a read
// allocates nothing once its thread has read once.
struct ReadBuffer {
  std::unique_ptr<char[]> bytes;
  size_t capacity = 0;
};

void on_read(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, struct fuse_file_info*) {
  MountState* s = state_of(req);
  const MountEntry* e = entry_of(s, ino);
  if (!e) {
    fuse_reply_err(req, EISDIR);
    return;
  }
  thread_local ReadBuffer buffer;
  if (buffer.capacity < size) {
    buffer.capacity = std::max<size_t>(size, 1 << 20);
    buffer.bytes.reset(new char[buffer.capacity]);
  }
  int64_t got = s->reader->read(*e, off, buffer.bytes.get(), static_cast<int64_t>(size));
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
  st.f_blocks = static_cast<fsblkcnt_t>(s->tree->iso.size / 2048);
  st.f_files = 3 + s->tree->files.size();
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
  ops.opendir = on_opendir;
  ops.readdir = on_readdir;
  ops.open = on_open;
  ops.read = on_read;
  ops.statfs = on_statfs;
  return ops;
}

// FUSE's own arguments: read-only, permissions checked by the kernel from
// the modes shown, the set as the source, then the user's -o words.
std::vector<std::string> fuse_words(const MountOptions& options, const std::string& fsname) {
  std::string escaped;
  for (char c : fsname) {
    if (c == ',' || c == '\\') escaped += '\\';
    escaped += c;
  }
  std::vector<std::string> words{"quarnex-mount", "-o", "ro,default_permissions,subtype=quarnex,fsname=" + escaped};
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
