// quarnex-mount: shows a .pdi image set as a read-only folder holding the
// disc's whole tree and the whole image as NAME.iso (on a set with no tree,
// the files of its directory in a folder), reading the members only when
// something reads the folder.
//
// Everything that can go wrong before mounting (the set, its directory, the
// mount point, the FUSE device) ends the program with status 1 first.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuse_filesystem.h"
#include "guarded_reader.h"
#include "mount_nodes.h"
#include "mount_options.h"
#include "mount_tree.h"
#include "pdiset/directory.h"
#include "pdiset/disc_tree.h"
#include "pdiset/image_set.h"
#include "pdiset/layout.h"
#include "pdiset/volume.h"

#ifndef QUARNEX_VERSION
#define QUARNEX_VERSION "1.0.0"
#endif

namespace {

const char kFuseDevice[] = "/dev/fuse";
// How long a member found in place is trusted before a read looks again.
const int64_t kMemberCheckIntervalMs = 1000;

int fail(const std::string& message) {
  fprintf(stderr, "quarnex-mount: %s\n", message.c_str());
  return 1;
}

// The set is read by absolute names: the daemon leaves the current folder.
std::string absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> cwd(4096);
  while (!getcwd(cwd.data(), cwd.size())) {
    if (errno != ERANGE) return path;
    cwd.resize(cwd.size() * 2);
  }
  return std::string(cwd.data()) + "/" + path;
}

// "" when path is an empty directory, else what is wrong with it.
std::string mount_point_problem(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "mount point " + path + ": " + strerror(errno);
  if (!S_ISDIR(st.st_mode)) return "mount point " + path + " is not a directory";
  DIR* dir = opendir(path.c_str());
  if (!dir) return "mount point " + path + ": " + strerror(errno);
  std::string problem;
  while (struct dirent* e = readdir(dir)) {
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
      problem = "mount point " + path + " is not an empty directory";
      break;
    }
  }
  closedir(dir);
  return problem;
}

std::string fuse_device_problem() {
  int fd = open(kFuseDevice, O_RDWR | O_CLOEXEC);
  if (fd < 0) return std::string("no FUSE device ") + kFuseDevice + ": " + strerror(errno);
  close(fd);
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quarnex_mount;
  MountOptions options;
  std::string error = parse_mount_options(argc, argv, &options);
  if (!error.empty()) {
    fprintf(stderr, "quarnex-mount: %s\n%s", error.c_str(), kUsage);
    return 1;
  }
  if (options.help) {
    fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    printf("quarnex-mount %s\n", QUARNEX_VERSION);
    return 0;
  }

  const std::string set_name = absolute(options.set_name);
  pdiset::ImageSet set;
  if (std::optional<pdiset::Failure> failure = pdiset::ImageSet::open(set_name, &set))
    return fail("cannot open the image set: " + pdiset::describe(*failure));
  pdiset::FoundDirectory found;
  if (std::optional<pdiset::Failure> failure = pdiset::find_directory(set, &found))
    return fail("cannot read the directory: " + pdiset::describe(*failure));
  std::unique_ptr<pdiset::DiscTree> disc;
  if (std::optional<pdiset::Failure> failure = pdiset::open_disc_tree(set, &disc)) {
    fprintf(stderr, "Warning: cannot read the disc's tree (%s); showing its directory only\n",
            pdiset::describe(*failure).c_str());
    disc.reset();
  }
  const std::string shown_name = options.set_name;
  if (!disc && found.source == pdiset::DirectorySource::kNotFound) {
    bool any = false;
    for (const pdiset::DirectoryRecord& r : found.records) any = any || pdiset::is_listed_file(r);
    if (!any) return fail("no ISO 9660 directory found in " + shown_name);
    fprintf(stderr, "Warning: no ISO 9660 directory found in %s\n", shown_name.c_str());
  }

  struct stat first_member;
  int64_t set_mtime = stat(set_name.c_str(), &first_member) == 0 ? first_member.st_mtime : 0;
  std::vector<std::string> notes;
  const pdiset::VolumeFacts volume = pdiset::read_volume_facts(set);
  // NAME.iso is what quarnex -i writes: the one rule of the whole image.
  const int64_t iso_sectors = pdiset::whole_image_extent(set, found, set.whole_sectors()).sectors;
  MountTree view = build_mount_tree(set_base_name(set_name), found, volume, iso_sectors, set_mtime, &notes);
  std::unique_ptr<MountNodes> nodes;
  if (disc) {
    nodes.reset(new MountNodes(disc.get(), view.iso, stderr));
  } else {
    for (const std::string& note : notes) fprintf(stderr, "%s\n", note.c_str());
    nodes.reset(new MountNodes(view));
  }

  std::string problem = mount_point_problem(options.mount_point);
  if (problem.empty()) problem = fuse_device_problem();
  if (!problem.empty()) return fail(problem);

  GuardedReader reader(set, stderr, kMemberCheckIntervalMs);
  MountState state;
  state.nodes = nodes.get();
  state.reader = &reader;
  state.uid = getuid();
  state.gid = getgid();
  // The mount's source is named "quarnex:SET", not the set's own path: DVD
  // software takes a mount source that is a file for the disc device itself,
  // and would read the first member (header and all) as the disc.
  return serve(&state, options, "quarnex:" + set_name);
}
