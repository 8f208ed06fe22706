// Image sets whose files sit at known places relative to the member cuts,
// made by the example-set maker, for the fault tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "iso_record.h"
#include "fault_support.h"
#include "run_program.h"
#include "set_model.h"

using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;

// Four files; member 0 ends 1000 bytes into sector 250, where S.DAT begins
// (a split sector); member 1 ends exactly after sector 399, inside B.DAT;
// member 2 holds the rest.
//   A.DAT 100..149   S.DAT 250..269   B.DAT 300..499   C.DAT 600..629 (+500 bytes)
inline MadeSet split_layout(const std::string& folder) {
  pdi_maker::ImagePlan plan;
  auto add = [&](const char* id, uint32_t first, uint64_t size) {
    pdi_maker::FilePlan f;
    f.identifier = id;
    f.first_sector = first;
    f.size = size;
    plan.files.push_back(f);
  };
  add("A.DAT;1", 100, 50 * kSectorSize);
  add("S.DAT;1", 250, 20 * kSectorSize);
  add("B.DAT;1", 300, 200 * kSectorSize);
  add("C.DAT;1", 600, 30 * kSectorSize + 500);
  uint64_t cut0 = kSetHeaderSize + 250 * kSectorSize + 1000;
  uint64_t cut1 = kSetHeaderSize + 400 * kSectorSize - cut0;
  return make_set(plan, folder, "set.pdi", {cut0, cut1});
}

// Two files; member 0 ends exactly after sector 249, inside B.DAT.
//   A.DAT 100..149   B.DAT 200..499
inline MadeSet boundary_layout(const std::string& folder) {
  pdi_maker::ImagePlan plan;
  pdi_maker::FilePlan a;
  a.identifier = "A.DAT;1";
  a.first_sector = 100;
  a.size = 50 * kSectorSize;
  pdi_maker::FilePlan b;
  b.identifier = "B.DAT;1";
  b.first_sector = 200;
  b.size = 300 * kSectorSize;
  plan.files = {a, b};
  return make_set(plan, folder, "set.pdi", {kSetHeaderSize + 250 * kSectorSize});
}

// The runs of the named files (all listed files when names is empty) as
// written into folder.
inline std::vector<FileRun> runs_of(const MadeSet& set, const std::string& folder,
                                    const std::vector<std::string>& names = {}) {
  std::vector<FileRun> runs;
  for (const pdi_maker::PlacedFile& f : table_files(set.image)) {
    if (!names.empty() && std::find(names.begin(), names.end(), f.identifier) == names.end()) continue;
    std::string name = written_name(f.identifier);
    runs.push_back({folder.empty() ? name : folder + "/" + name, f.first_sector, f.size});
  }
  return runs;
}

inline std::vector<SelectedRun> selected(const std::vector<FileRun>& runs) {
  std::vector<SelectedRun> out;
  for (const FileRun& r : runs) out.push_back({r.path, r.first_sector, r.data_length});
  return out;
}

inline LossReport losses(const MadeSet& set, const std::vector<FileRun>& runs,
                         const std::set<size_t>& removed_by_test = {}) {
  const pdi_maker::Image& image = set.image;
  return check_nothing_lost(set.folder, set.set_name, set.member_sizes,
                            [&image](uint64_t pos, uint8_t* out, size_t count) {
                              pdi_maker::stream_bytes(image, pos, out, count);
                            },
                            selected(runs), removed_by_test);
}

// The members on disk joined: the stream a set holds, header and all.
inline std::string joined_members(const MadeSet& set) {
  std::string stream;
  for (size_t k = 0; k < set.member_sizes.size(); ++k) {
    std::string bytes;
    EXPECT_TRUE(read_whole_file(set.folder + "/" + member_name(set, k), &bytes)) << member_name(set, k);
    stream += bytes;
  }
  return stream;
}

// losses against a stream read before the run (the members joined), where
// the members no longer hold the maker's image.
inline LossReport losses_in(const MadeSet& set, const std::string& stream, const std::vector<FileRun>& runs) {
  return check_nothing_lost(set.folder, set.set_name, set.member_sizes,
                            [&stream](uint64_t pos, uint8_t* out, size_t count) {
                              for (size_t i = 0; i < count; ++i)
                                out[i] = pos + i < stream.size() ? static_cast<uint8_t>(stream[pos + i]) : 0;
                            },
                            selected(runs));
}

// Which members are still there.
inline std::vector<bool> members_left(const MadeSet& set) {
  std::vector<bool> left;
  for (size_t k = 0; k < set.member_sizes.size(); ++k) left.push_back(exists(set.folder + "/" + member_name(set, k)));
  return left;
}

// An output holds exactly the given image sectors (a file written part way).
inline void expect_output(const MadeSet& set, const std::string& path, int64_t first, int64_t count) {
  std::string content;
  ASSERT_TRUE(read_whole_file(set.folder + "/" + path, &content)) << path;
  EXPECT_TRUE(content == image_sectors(set.image, first, count)) << path << ": " << content.size() << " bytes";
}

// An output holds its whole file.
inline void expect_output(const MadeSet& set, const FileRun& run) {
  std::string content;
  ASSERT_TRUE(read_whole_file(set.folder + "/" + run.path, &content)) << run.path;
  EXPECT_TRUE(content == expected_output(set.image, run)) << run.path << ": " << content.size() << " bytes";
}
