#include "set_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

MadeSet make_set(const pdi_maker::ImagePlan& plan, const std::string& folder,
                 const std::string& set_name, const std::vector<uint64_t>& cuts) {
  MadeSet set;
  set.image = pdi_maker::build_image(plan);
  set.folder = folder;
  set.set_name = set_name;
  std::string error;
  // The maker names members after the set name less its ".pdi".
  std::string base = set_name.substr(0, set_name.size() - 4);
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
  if (k == 0) return set.set_name;
  char number[24];
  snprintf(number, sizeof number, "%02zu", k);
  return set.set_name + number;
}

namespace {

const int64_t kChunk = 0x1400000;

// Stream byte positions: member k holds [begin(k), end(k)).
struct Stream {
  std::vector<int64_t> ends;
  explicit Stream(const std::vector<uint64_t>& sizes) {
    int64_t pos = 0;
    for (uint64_t s : sizes) ends.push_back(pos += static_cast<int64_t>(s));
  }
  int64_t begin(size_t k) const { return k == 0 ? 0 : ends[k - 1]; }
  // The first sector that member k does not hold to its last byte.
  int64_t end_sector(size_t k) const { return (ends[k] - 304) / 2048; }
  // Does member k end inside a sector?
  bool splits(size_t k) const { return (ends[k] - 304) % 2048 != 0; }
};

int64_t dots_for(int64_t bytes) { return bytes <= 0 ? 0 : (bytes + kChunk - 1) / kChunk - 1; }

}  // namespace

Expected expect_runs(const MadeSet& set, const std::vector<SectorRun>& runs) {
  Stream stream(set.member_sizes);
  Expected e;
  size_t k = 0;
  auto open_next = [&]() {
    ++k;
    e.progress += "(" + member_name(set, k) + ")";
  };
  for (const SectorRun& run : runs) {
    char head[1200];
    snprintf(head, sizeof head, "writing %s (%lld extents) ", run.path.c_str(),
             static_cast<long long>(run.sector_count));
    e.progress += head;
    int64_t s = run.first_sector, n = run.sector_count;
    while (s > stream.end_sector(k)) open_next();
    while (n > 0) {
      int64_t piece = std::min(n, stream.end_sector(k) - s);
      if (piece > 0) {
        e.progress += std::string(static_cast<size_t>(dots_for(piece * 2048)), '.');
        s += piece;
        n -= piece;
        if (n == 0) break;
      }
      // Sector s starts in member k (split) or begins member k + 1.
      bool split = stream.splits(k);
      open_next();
      if (split) {
        ++s;
        --n;
      }
    }
    e.progress += "\n";
  }
  e.last_member = k;
  return e;
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
  std::string bytes(static_cast<size_t>(count) * 2048, '\0');
  if (count > 0)
    pdi_maker::image_bytes(image, static_cast<uint64_t>(first) * 2048,
                           reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size());
  return bytes;
}

std::string written_name(const std::string& identifier) {
  std::string name = identifier;
  size_t semi = name.rfind(';');
  if (semi != std::string::npos && semi + 1 < name.size() &&
      name.find_first_not_of("0123456789", semi + 1) == std::string::npos)
    name.erase(semi);
  if (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}
