// Fuzz target: the member-deletion rule against what a run really reads.
//
// The input makes a plan: members cut at byte positions, files with first
// sectors, lengths, names and a selection, and a count of file words that
// named nothing. A run reads the selected files with safe names in
// ascending first sector, moving forward through the members and deleting
// each one it leaves. Whenever the rule lets members be deleted, that run
// must lose nothing: it never needs a byte of a member it has left, it never
// writes two files to one output, skips no selected file, and no file word
// went unmatched.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "pdiset/layout.h"
#include "pdiset/member_rule.h"
#include "pdiset/names.h"
#include "pdiset/volume.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail = "") {
  fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
  abort();
}

struct Input {
  const uint8_t* data;
  size_t size, at = 0;
  unsigned byte() { return at < size ? data[at++] : 0; }
  uint32_t number(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t(byte()) << (8 * i);
    return v;
  }
};

// A few names, some unsafe, some sharing an output name.
const char* const kNames[] = {"A.VOB;1", "A.VOB;2", "a.vob;1", "B.IFO;1", "..;1", "/X;1", "C", "C.", "D;1", "E;1"};

// The index of the member holding stream byte p (members in stream order).
size_t member_of(const std::vector<int64_t>& ends, int64_t p) {
  return size_t(std::upper_bound(ends.begin(), ends.end(), p) - ends.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const pdiset::NameRules rules = in.byte() % 2 ? pdiset::NameRules::kWindows : pdiset::NameRules::kPosix;
  int warnings = in.byte() % 4 == 0 ? 1 : 0;

  // Member ends in the set's stream; the last member takes everything after.
  std::vector<int64_t> ends;
  int64_t end = 0;
  for (unsigned k = 0, count = in.byte() % 6; k < count; ++k) ends.push_back(end += in.number(3) % 200000);

  std::vector<pdiset::PlannedFile> files;
  std::vector<uint32_t> lengths;
  for (unsigned k = 0, count = 1 + in.byte() % 8; k < count; ++k) {
    pdiset::PlannedFile f;
    f.name = kNames[in.byte() % (sizeof kNames / sizeof kNames[0])];
    f.first_sector = in.number(1) % 100;
    uint32_t length = in.number(3) % (8 * pdiset::kSectorSize);
    f.sector_count = pdiset::sectors_holding(length);
    f.selected = in.byte() % 4 != 0;
    files.push_back(f);
    lengths.push_back(length);
  }
  // The table goes by first sector; ties keep their order.
  std::vector<size_t> order(files.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return files[a].first_sector < files[b].first_sector; });
  std::vector<pdiset::PlannedFile> sorted;
  std::vector<uint32_t> sorted_lengths;
  for (size_t i : order) {
    sorted.push_back(files[i]);
    sorted_lengths.push_back(lengths[i]);
  }

  pdiset::MemberDecision decision = pdiset::decide_member_deletion(sorted, warnings, rules);
  if (!decision.may_delete) return 0;
  if (warnings) fail("members deleted although a file word named nothing");

  size_t current = 0;  // the member the run stands in; all before it are deleted
  std::map<std::string, std::string> outputs;
  for (size_t i = 0; i < sorted.size(); ++i) {
    const pdiset::PlannedFile& f = sorted[i];
    if (!f.selected) continue;
    std::string output = pdiset::output_file_name(f.name);
    if (!pdiset::is_safe_output_name(output, rules)) fail("members deleted although a file is skipped", f.name);
    std::string folded = pdiset::fold_ascii_case(output);
    if (!outputs.emplace(folded, f.name).second) fail("members deleted although two files share an output", f.name);
    if (sorted_lengths[i] == 0) continue;
    int64_t first = pdiset::kSetHeaderSize + f.first_sector * pdiset::kSectorSize;
    int64_t last = first + sorted_lengths[i] - 1;
    size_t first_member = member_of(ends, first);
    if (first_member < current) fail("a file needs a member that was deleted", f.name);
    current = std::max(current, member_of(ends, last));
  }
  return 0;
}
