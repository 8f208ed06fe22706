// make_fuzz_seeds OUT_DIR: writes the seed inputs of the fuzz targets,
//   OUT_DIR/directory_image/*  first members of image sets made by the
//                              example-set maker (cut after the bytes the
//                              directory reader can reach)
//   OUT_DIR/command_line/*     command-line texts as users and the front end
//                              write them
// make_fuzz_seeds --udf BRIDGE DIR: from a genisoimage -udf disc, writes
//   DIR/metadata.udf (its file set moved onto a metadata partition) and
//   DIR/ancestor_loop.udf (a folder's record naming the folder above it)
// make_fuzz_seeds --iso IMAGE DIR: from a Rock Ridge disc, writes
//   DIR/ancestor_loop.iso (below the second level, each folder's first
//   subfolder record names the folder's parent, and every ".." lies)
// Nothing here is committed as a binary: the seeds are made anew each time.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "iso_record.h"
#include "pdi_maker.h"
#include "pdiset/byte_order.h"
#include "pdiset/iso9660_fields.h"
#include "pdiset/udf_fields.h"
#include "udf_edit.h"

namespace {

// The reader looks at most one sector past the ten directory sectors.
const uint64_t kReachable = pdiset::kDirectoryOffset + pdiset::kDirectoryReadSize + pdiset::kSectorSize;

bool write_file(const std::string& path, const void* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(data, 1, size, f) == size;
  return fclose(f) == 0 && ok;
}

bool write_member0(const std::string& path, const pdi_maker::ImagePlan& plan, uint64_t cut = 0) {
  pdi_maker::Image image = pdi_maker::build_image(plan);
  uint64_t size = std::min(pdi_maker::stream_size(image), cut ? cut : kReachable);
  std::vector<uint8_t> bytes(size);
  pdi_maker::stream_bytes(image, 0, bytes.data(), bytes.size());
  return write_file(path, bytes.data(), bytes.size());
}

pdi_maker::FilePlan file(const std::string& id, uint64_t size, uint8_t flags = 0) {
  pdi_maker::FilePlan f;
  f.identifier = id;
  f.size = size;
  f.flags = flags;
  return f;
}

bool directory_seeds(const std::string& dir) {
  std::vector<std::pair<std::string, pdi_maker::ImagePlan>> seeds;
  pdi_maker::ImagePlan plan;

  plan.files = pdi_maker::dvd_files(3, 700000);
  plan.files.insert(plan.files.begin() + 2, file("HIDDEN.DAT;1", 5000, 1));
  seeds.push_back({"dvd", plan});

  plan = pdi_maker::ImagePlan();
  plan.with_subdirectory = false;
  seeds.push_back({"empty", plan});

  plan = pdi_maker::ImagePlan();
  for (int i = 0; i < 120; ++i) plan.files.push_back(file("FILE" + std::to_string(i) + ".DAT;1", 100 + 997 * i));
  plan.directory_sectors = 4;
  seeds.push_back({"many", plan});

  plan = pdi_maker::ImagePlan();
  plan.files = {file("A", 1000), file("BB", 2048), file("CCC;1", 5000, 0), file("ASSOC;1", 10, 4),
                file(std::string(221, 'L'), 4096), file("x.y.;12", 0), file("NOVERSION.", 3)};
  plan.directory_sectors = 10;
  plan.year = 2099;
  plan.month = 12;
  plan.day = 31;
  plan.hour = 23;
  plan.minute = 59;
  plan.second = 59;
  seeds.push_back({"names", plan});

  for (const auto& s : seeds)
    if (!write_member0(dir + "/" + s.first, s.second)) return false;
  // A first member that ends inside the directory: the read comes up short.
  return write_member0(dir + "/short", seeds[0].second, pdiset::kDirectoryOffset + 3000);
}

bool command_line_seeds(const std::string& dir) {
  const std::vector<std::string> lines = {
      "quarnex movie",
      "quarnex -l movie.pdi",
      "quarnex -x movie",
      "quarnex -v -m \"D:\\out\" \"E:\\images\\movie.pdi\"",
      "quarnex -v -d \"D:\\out dir\" \"E:\\my images\\movie\" VTS_01* video_ts.ifo;1",
      "quarnex -i \"D:\\out\\movie\" \"E:\\images\\movie.pdi\"",
      "quarnex -gb C:\\pdilist.txt -l \"E:\\images\\movie.pdi\"",
      "quarnex -gs list.txt movie",
      "quarnex -n 5 -r -m out movie *",
      "\"C:\\Program Files\\quarnex.exe\" -r \"a \\\"quoted\\\" name\" \\\\\"x y\\\\\" z",
      "quarnex\t-d\t\"\"\tmovie",
  };
  for (size_t i = 0; i < lines.size(); ++i)
    if (!write_file(dir + "/line" + std::to_string(i), lines[i].data(), lines[i].size())) return false;
  return true;
}

udf_edit::Bytes read_image(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return udf_edit::Bytes(std::istreambuf_iterator<char>(in), {});
}

bool udf_seeds(const std::string& bridge, const std::string& dir) {
  const udf_edit::Bytes original = read_image(bridge);
  udf_edit::Bytes metadata = original;
  if (!udf_edit::move_onto_metadata_partition(metadata)) return false;
  udf_edit::Bytes loop = original;
  udf_edit::Partition p = udf_edit::widen_partition(loop, 0);
  unsigned char* outer = udf_edit::find_record(loop, p, "folder");
  unsigned char* inner = udf_edit::find_record(loop, p, "inner");
  if (!outer || !inner) return false;
  namespace fid = pdiset::udf::file_identifier;
  memcpy(inner + fid::kIcb, outer + fid::kIcb, pdiset::udf::long_ad::kSize);
  udf_edit::seal(inner);
  return write_file(dir + "/metadata.udf", metadata.data(), metadata.size()) &&
         write_file(dir + "/ancestor_loop.udf", loop.data(), loop.size());
}

// Walks the primary tree from the root; below the second level a folder's
// first subfolder record is made to name the folder's parent, and every
// ".." names the folder itself.
bool iso_seed(const std::string& image_path, const std::string& dir) {
  using namespace pdiset::iso9660;
  udf_edit::Bytes image = read_image(image_path);
  const size_t sector = pdiset::kSectorSize;
  if (image.size() < 17 * sector) return false;
  const unsigned char* root = &image[16 * sector + kRootRecord];
  struct Folder {
    uint32_t extent, length, parent;
    int depth;
  };
  std::vector<Folder> pending{{pdiset::le32(root + kExtent), pdiset::le32(root + kDataLength), 0, 0}};
  int changed = 0;
  for (size_t visited = 0; !pending.empty() && visited < 10000; ++visited) {
    Folder f = pending.back();
    pending.pop_back();
    bool looped = false;
    for (uint32_t s = 0; s < (f.length + sector - 1) / sector; ++s) {
      const size_t base = (size_t{f.extent} + s) * sector;
      if (base + sector > image.size()) break;
      for (size_t at = 0; at < sector && image[base + at] >= kMinRecordLength;) {
        unsigned char* r = &image[base + at];
        const bool dot = r[kIdentifierLength] == 1 && r[kIdentifier] <= 1;
        if (dot && r[kIdentifier] == 1 && f.depth > 0) {
          pdi_maker::put_both32(r + kExtent, f.extent);
          ++changed;
        } else if (!dot && (r[kFileFlags] & kDirectoryFlag)) {
          if (f.depth >= 2 && !looped) {
            pdi_maker::put_both32(r + kExtent, f.parent);
            looped = true;
            ++changed;
          } else {
            pending.push_back({pdiset::le32(r + kExtent), pdiset::le32(r + kDataLength), f.extent, f.depth + 1});
          }
        }
        at += r[kRecordLength];
      }
    }
  }
  return changed > 0 && write_file(dir + "/ancestor_loop.iso", image.data(), image.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && (std::string(argv[1]) == "--udf" || std::string(argv[1]) == "--iso")) {
    bool ok = std::string(argv[1]) == "--udf" ? udf_seeds(argv[2], argv[3]) : iso_seed(argv[2], argv[3]);
    if (!ok) fprintf(stderr, "make_fuzz_seeds: %s: not the disc expected\n", argv[2]);
    return ok ? 0 : 1;
  }
  if (argc != 2) {
    fprintf(stderr, "usage: make_fuzz_seeds OUT_DIR | --udf BRIDGE DIR | --iso IMAGE DIR\n");
    return 2;
  }
  std::string out = argv[1];
  mkdir(out.c_str(), 0777);
  mkdir((out + "/directory_image").c_str(), 0777);
  mkdir((out + "/command_line").c_str(), 0777);
  if (!directory_seeds(out + "/directory_image") || !command_line_seeds(out + "/command_line")) {
    perror(out.c_str());
    return 1;
  }
  return 0;
}
