// make_pdi_set: writes a .pdi image set for examples and tests.
//
// Without options it makes the bundled example: a DVD-like file list with
// three VOBs and a hidden file, cut into three members inside sectors. Giving
// --vobs or --vob-size builds your own list (add --hidden for the hidden
// file); giving --cut replaces the example's cuts.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pdi_maker.h"

namespace {

const char kUsage[] =
    "usage: make_pdi_set [--cut BYTES]... [--seed N] [--dir-sector N] [--dir-sectors N]\n"
    "                    [--vobs COUNT] [--vob-size BYTES] [--hidden] [--iso PATH] SET_NAME\n";

bool parse_number(const char* text, uint64_t max, uint64_t* value) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || v > max) return false;
  *value = v;
  return true;
}

struct Options {
  std::vector<uint64_t> cuts;
  bool cuts_given = false;
  uint64_t seed = 1;
  uint64_t dir_sector = pdi_maker::kDirectorySector;
  uint64_t dir_sectors = 1;
  uint64_t vobs = 3;
  uint64_t vob_size = 3 * 1024 * 1024 + 1000;
  bool list_given = false;
  bool hidden = false;
  std::string iso;
  std::string set_name;
};

bool parse_options(int argc, char** argv, Options* o, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = true;
    if (arg == "--cut") {
      uint64_t cut = 0;
      ok = parse_number(value, UINT64_MAX, &cut);
      o->cuts.push_back(cut);
      o->cuts_given = true;
    } else if (arg == "--seed") {
      ok = parse_number(value, UINT32_MAX, &o->seed);
    } else if (arg == "--dir-sector") {
      ok = parse_number(value, 1000000, &o->dir_sector) && o->dir_sector >= 21;
    } else if (arg == "--dir-sectors") {
      ok = parse_number(value, 1000, &o->dir_sectors) && o->dir_sectors >= 1;
    } else if (arg == "--vobs") {
      ok = parse_number(value, 99, &o->vobs);
      o->list_given = true;
    } else if (arg == "--vob-size") {
      ok = parse_number(value, UINT32_MAX, &o->vob_size);
      o->list_given = true;
    } else if (arg == "--iso") {
      ok = value != nullptr;
      if (ok) o->iso = value;
    } else if (arg == "--hidden") {
      o->hidden = true;
      continue;
    } else if (!arg.empty() && arg[0] != '-' && o->set_name.empty()) {
      o->set_name = arg;
      continue;
    } else {
      *error = "unexpected argument '" + arg + "'";
      return false;
    }
    if (!ok) {
      *error = "bad or missing value for " + arg;
      return false;
    }
    ++i;
  }
  if (o->set_name.empty()) {
    *error = "no set name given";
    return false;
  }
  if (!o->list_given) o->hidden = true;
  if (!o->cuts_given) o->cuts = {4000000, 3500000};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string error;
  if (!parse_options(argc, argv, &o, &error)) {
    fprintf(stderr, "make_pdi_set: %s\n%s", error.c_str(), kUsage);
    return 1;
  }

  pdi_maker::ImagePlan plan;
  plan.files = pdi_maker::dvd_files(int(o.vobs), o.vob_size);
  if (o.hidden) {
    pdi_maker::FilePlan hidden;
    hidden.identifier = "HIDDEN.DAT;1";
    hidden.size = 5000;
    hidden.flags = 1;
    plan.files.push_back(hidden);
  }
  plan.directory_sectors = int(o.dir_sectors);
  plan.directory_sector = uint32_t(o.dir_sector);
  plan.seed = uint32_t(o.seed);
  pdi_maker::Image image = pdi_maker::build_image(plan);

  std::vector<std::string> names = pdi_maker::write_set(image, o.set_name, o.cuts, &error);
  if (names.empty()) {
    fprintf(stderr, "make_pdi_set: %s\n", error.c_str());
    return 1;
  }
  uint64_t total = pdi_maker::stream_size(image);
  uint64_t written = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    uint64_t size = i < o.cuts.size() ? o.cuts[i] : total - written;
    written += size;
    printf("wrote %s %llu\n", names[i].c_str(), static_cast<unsigned long long>(size));
  }
  if (!o.iso.empty() && !pdi_maker::write_iso(image, o.iso, &error)) {
    fprintf(stderr, "make_pdi_set: %s\n", error.c_str());
    return 1;
  }
  return fflush(stdout) == 0 ? 0 : 1;
}
