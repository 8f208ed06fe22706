#include "set_model.h"

#include "pdiset/iso9660_fields.h"
#include "pdiset/names.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <algorithm>

using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;
namespace iso = pdiset::iso9660;

MadeSet make_set(const pdi_maker::ImagePlan& plan, const std::string& folder,
                 const std::string& set_name, const std::vector<uint64_t>& cuts) {
  return make_set(pdi_maker::build_image(plan), folder, set_name, cuts);
}

MadeSet make_set(const pdi_maker::Image& image, const std::string& folder,
                 const std::string& set_name, const std::vector<uint64_t>& cuts) {
  MadeSet set;
  set.image = image;
  set.folder = folder;
  set.set_name = set_name;
  std::string error;
  // The maker names members after the set name less its ".pdi".
  std::string base = pdiset::without_extension(set_name, pdiset::kSetExtension);
  std::vector<std::string> names = pdi_maker::write_set(set.image, folder + "/" + base, cuts, &error);
  EXPECT_FALSE(names.empty()) << error;
  uint64_t total = pdi_maker::stream_size(set.image);
  uint64_t used = 0;
  for (uint64_t c : cuts) {
    set.member_sizes.push_back(c);
    used += c;
  }
  if (used < total) set.member_sizes.push_back(total - used);
  EXPECT_EQ(names.size(), set.member_sizes.size());
  return set;
}

std::string member_name(const MadeSet& set, size_t k) {
  return pdiset::member_file_name(set.set_name, static_cast<int>(k));
}

int64_t extents_shown(uint64_t data_length) {
  return static_cast<int64_t>((data_length + kSectorSize - 1) / kSectorSize);
}

namespace {

// Member k holds the stream bytes [begin[k], end[k]); the stream is the
// header, then image byte x at kSetHeaderSize + x.
struct Members {
  std::vector<uint64_t> begin, end;
  explicit Members(const std::vector<uint64_t>& sizes) {
    uint64_t at = 0;
    for (uint64_t s : sizes) {
      begin.push_back(at);
      end.push_back(at += s);
    }
  }
  size_t count() const { return end.size(); }
};

uint64_t stream_position(int64_t sector) {
  return kSetHeaderSize + static_cast<uint64_t>(sector) * kSectorSize;
}

// Whole sectors whose bytes all lie in the stream range [lo, hi).
int64_t whole_sectors_within(uint64_t lo, uint64_t hi) {
  int64_t first = static_cast<int64_t>((lo - kSetHeaderSize + kSectorSize - 1) / kSectorSize);
  int64_t end = static_cast<int64_t>((hi - kSetHeaderSize) / kSectorSize);
  return std::max<int64_t>(0, end - first);
}

// Dots of one piece of bytes copied in steps: one at each step end that
// more of the piece follows.
int64_t dots_within(uint64_t bytes) { return bytes == 0 ? 0 : static_cast<int64_t>((bytes - 1) / kCopyStep); }

}  // namespace

Expected expect_runs(const MadeSet& set, const std::vector<FileRun>& runs) {
  Members members(set.member_sizes);
  Expected e;
  size_t at = 0;  // the directory was read from member 0
  // Reading from member j opens every member up to it, in order.
  auto reach = [&](size_t j) {
    for (; at < j; ++at) e.progress += "(" + member_name(set, at + 1) + ")";
  };
  for (const FileRun& run : runs) {
    char head[1200];
    snprintf(head, sizeof head, "writing %s (%lld extents) ", run.path.c_str(),
             static_cast<long long>(extents_shown(run.data_length)));
    e.progress += head;
    // Only the bytes of the file are read: a file of no bytes moves nothing.
    uint64_t pos = stream_position(run.first_sector);
    uint64_t stop = pos + run.data_length;
    while (pos < stop) {
      size_t j = at;
      while (j < members.count() && members.end[j] <= pos) ++j;
      if (j == members.count() || members.begin[j] > pos) {
        // Beyond the set (every member is opened on the way to the one
        // missing), or behind the chain.
        if (j == members.count()) reach(j - 1);
        e.past_the_set = true;
        break;
      }
      reach(j);
      uint64_t hi = std::min(stop, members.end[j]);
      e.progress += std::string(static_cast<size_t>(dots_within(whole_sectors_within(pos, hi) * kSectorSize)), '.');
      pos = hi;
    }
    if (e.past_the_set) break;
    e.progress += "\n";
  }
  e.last_member = at;
  return e;
}

std::string expected_output(const pdi_maker::Image& image, const FileRun& run) {
  std::string bytes(static_cast<size_t>(run.data_length), '\0');
  if (!bytes.empty())
    pdi_maker::image_bytes(image, static_cast<uint64_t>(run.first_sector) * kSectorSize,
                           reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

std::vector<pdi_maker::PlacedFile> listed_files(const pdi_maker::Image& image) {
  std::vector<pdi_maker::PlacedFile> files;
  for (const pdi_maker::PlacedFile& f : image.files)
    if (f.flags == 0 && !f.identifier.empty() && f.identifier[0] != '\0') files.push_back(f);
  return files;
}

std::vector<pdi_maker::PlacedFile> table_files(const pdi_maker::Image& image) {
  std::vector<pdi_maker::PlacedFile> files = listed_files(image);
  std::stable_sort(files.begin(), files.end(),
                   [](const pdi_maker::PlacedFile& a, const pdi_maker::PlacedFile& b) {
                     return a.first_sector < b.first_sector;
                   });
  return files;
}

namespace {

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

Conversion expect_conversion(const MadeSet& set) {
  // The file that starts last: the greatest first sector, of several the
  // last in directory order.
  const std::vector<pdi_maker::PlacedFile> files = listed_files(set.image);
  const pdi_maker::PlacedFile* last = nullptr;
  for (const pdi_maker::PlacedFile& f : files)
    if (!last || f.first_sector >= last->first_sector) last = &f;
  Conversion c;
  const int64_t files_end = last ? last->first_sector + extents_shown(last->size) : 0;
  // The whole sectors of the members joined: a sector is put together from
  // as many members as hold its bytes.
  uint64_t stream = 0;
  for (uint64_t s : set.member_sizes) stream += s;
  c.held = stream < kSetHeaderSize ? 0 : static_cast<int64_t>((stream - kSetHeaderSize) / kSectorSize);
  c.wanted = c.sectors = files_end;
  const uint64_t pvd = uint64_t{pdiset::kVolumeDescriptorSector} * kSectorSize;
  uint8_t d[iso::kVolumeSpaceSize + 4];
  pdi_maker::image_bytes(set.image, pvd, d, sizeof d);
  if (d[iso::kDescriptorType] != 1 || std::string(reinterpret_cast<char*>(d + iso::kStandardIdentifier), 5) != "CD001")
    return c;
  c.wanted = std::max<int64_t>(files_end, le32(d + iso::kVolumeSpaceSize));
  c.sectors = std::max(files_end, std::min(c.wanted, c.held));
  return c;
}

int64_t conversion_sectors(const MadeSet& set) { return expect_conversion(set).sectors; }

std::string Conversion::warning() const {
  if (!cut_short()) return "";
  return "Warning: the image set holds " + std::to_string(sectors) + " of the volume's " + std::to_string(wanted) +
         " sectors\n";
}

bool starts_with_own_record(const pdi_maker::Image& image, int64_t sector) {
  uint8_t r[iso::kRecordFixedPart + 1];
  pdi_maker::image_bytes(image, static_cast<uint64_t>(sector) * kSectorSize, r, sizeof r);
  return r[iso::kRecordLength] >= sizeof r && r[iso::kIdentifierLength] == 1 && r[iso::kIdentifier] == 0;
}

std::string expected_listing(const pdi_maker::Image& image) {
  std::string s = "[extent ] File Name    Size       Date       Time\n";
  for (const pdi_maker::PlacedFile& f : listed_files(image)) {
    char line[600];
    // The maker records every file on 7 February 2003 at 09:05:03.
    snprintf(line, sizeof line, "[%7u] %12s %10llu  7. 2.2003 09:05:03\n", f.first_sector,
             f.identifier.c_str(), static_cast<unsigned long long>(f.size));
    s += line;
  }
  return s;
}

std::string image_sectors(const pdi_maker::Image& image, int64_t first, int64_t count) {
  return expected_output(image, FileRun{"", first, static_cast<uint64_t>(count) * kSectorSize});
}

// The naming rule is the library's and is tested there; the runs here check
// that quarnex writes each file under it.
std::string written_name(const std::string& identifier) { return pdiset::output_file_name(identifier); }

void expect_outputs(const std::string& folder, const MadeSet& set, const std::vector<FileRun>& runs) {
  for (const FileRun& run : runs) {
    std::string path = run.path;
    std::replace(path.begin(), path.end(), '\\', '/');
    std::string content;
    ASSERT_TRUE(read_whole_file(folder + "/" + path, &content)) << path;
    EXPECT_TRUE(content == expected_output(set.image, run))
        << path << ": " << content.size() << " of " << run.data_length << " bytes";
  }
}
