// Whether members may be deleted, and every reason against it.
#include "pdiset/member_rule.h"
#include "pdiset/volume.h"

#include <gtest/gtest.h>

namespace {

using pdiset::KeepReason;
using pdiset::NameRules;
using pdiset::PlannedFile;

struct RuleCase {
  const char* what;
  std::vector<PlannedFile> files;
  int warnings;
  NameRules rules;
  std::vector<std::pair<KeepReason, std::string>> findings;  // reason and file concerned
  bool cut_short = false;
  std::optional<int64_t> image_bytes = std::nullopt;  // what the members present hold
};

TEST(DecideMemberDeletion, ListsEveryReasonInOrder) {
  const RuleCase cases[] = {
      {"plain run", {{"A;1", 100, 2, true}, {"B;1", 102, 3, true}}, 0, NameRules::kPosix, {}},
      {"selection warnings", {{"A;1", 100, 2, true}}, 2, NameRules::kPosix, {{KeepReason::kSelectionWarnings, ""}}},
      {"unsafe selected name", {{"..;1", 100, 2, true}, {"B;1", 102, 1, true}}, 0, NameRules::kPosix,
       {{KeepReason::kUnsafeName, "..;1"}}},
      {"unsafe name not selected", {{"..;1", 100, 2, false}, {"B;1", 102, 1, true}}, 0, NameRules::kPosix, {}},
      {"backslash: unsafe on Windows only", {{"A\\B;1", 100, 1, true}}, 0, NameRules::kWindows,
       {{KeepReason::kUnsafeName, "A\\B;1"}}},
      {"backslash on Linux", {{"A\\B;1", 100, 1, true}}, 0, NameRules::kPosix, {}},
      {"overlap", {{"A;1", 100, 10, true}, {"B;1", 105, 2, true}}, 0, NameRules::kPosix,
       {{KeepReason::kOverlap, "B;1"}}},
      {"inside a run that ended earlier still overlaps the furthest",
       {{"A;1", 100, 10, true}, {"B;1", 101, 1, true}, {"C;1", 105, 1, true}}, 0, NameRules::kPosix,
       {{KeepReason::kOverlap, "B;1"}, {KeepReason::kOverlap, "C;1"}}},
      {"touching runs do not overlap", {{"A;1", 100, 10, true}, {"B;1", 110, 1, true}}, 0, NameRules::kPosix, {}},
      {"empty file inside a run", {{"A;1", 100, 10, true}, {"E;1", 104, 0, true}}, 0, NameRules::kPosix, {}},
      {"overlap with an unselected file", {{"A;1", 100, 10, false}, {"B;1", 105, 2, true}}, 0, NameRules::kPosix, {}},
      {"two versions share a name", {{"A;1", 100, 1, true}, {"A;2", 101, 1, true}}, 0, NameRules::kPosix,
       {{KeepReason::kSharedOutputName, "A;2"}}},
      {"names differing in case share one", {{"abc;1", 100, 1, true}, {"ABC;1", 101, 1, true}}, 0,
       NameRules::kPosix, {{KeepReason::kSharedOutputName, "ABC;1"}}},
      {"every reason at once",
       {{"A;1", 100, 10, true}, {"a;1", 105, 1, true}, {"/;1", 200, 1, true}}, 1, NameRules::kPosix,
       {{KeepReason::kSelectionWarnings, ""},
        {KeepReason::kUnsafeName, "/;1"},
        {KeepReason::kOverlap, "a;1"},
        {KeepReason::kSharedOutputName, "a;1"}}},
      // A fuzzer's find: two files shorter than a sector, both at sector 0,
      // before a member cut inside it. Each holds bytes of that sector.
      {"files shorter than a sector at one place",
       {{"C.", 0, pdiset::sectors_holding(1927), true}, {"A.VOB;1", 0, pdiset::sectors_holding(391), true}}, 0,
       NameRules::kWindows, {{KeepReason::kOverlap, "A.VOB;1"}}},
      // A file in several sections is written section by section.
      {"sections in ascending order", {{"BIG;1", 100, 4, true, {{104, 4}, {300, 1}}}, {"C;1", 104, 0, true}}, 0,
       NameRules::kPosix, {}},
      {"a section that goes back to its own first", {{"BIG;1", 100, 4, true, {{100, 4}}}}, 0, NameRules::kPosix,
       {{KeepReason::kSectionGoesBack, "BIG;1"}}},
      {"a section that goes back into an earlier file", {{"A;1", 50, 20, true}, {"BIG;1", 100, 4, true, {{60, 2}}}},
       0, NameRules::kPosix, {{KeepReason::kSectionGoesBack, "BIG;1"}}},
      {"a file overlapping a later section is reported first",
       {{"BIG;1", 100, 4, true, {{50, 2}}}, {"B;1", 102, 1, true}}, 0, NameRules::kPosix,
       {{KeepReason::kOverlap, "B;1"}, {KeepReason::kSectionGoesBack, "BIG;1"}}},
      {"a conversion of a set cut short", {{"out.iso", 0, 500, true}}, 0, NameRules::kPosix,
       {{KeepReason::kSetCutShort, ""}}, true},
      // Files against the image bytes the members present hold.
      {"a file's last byte past the set", {{"A;1", 100, 2, true, {}, 4000}}, 0, NameRules::kPosix,
       {{KeepReason::kBytesMissing, "A;1"}}, false, 100 * 2048 + 3999},
      {"a file's last byte the set's last", {{"A;1", 100, 2, true, {}, 4000}}, 0, NameRules::kPosix, {}, false,
       100 * 2048 + 4000},
      {"a file known by its sectors only", {{"A;1", 100, 2, true}}, 0, NameRules::kPosix,
       {{KeepReason::kBytesMissing, "A;1"}}, false, 100 * 2048 + 4095},
      {"an empty file past the set needs nothing", {{"A;1", 10, 1, true, {}, 5}, {"E;1", 500, 0, true, {}, 0}}, 0,
       NameRules::kPosix, {}, false, 11 * 2048},
      {"an unselected file past the set", {{"A;1", 10, 1, true, {}, 5}, {"B;1", 500, 1, false, {}, 5}}, 0,
       NameRules::kPosix, {}, false, 11 * 2048},
      {"a later section past the set", {{"BIG;1", 100, 1, true, {{300, 1, 10}}, 2048}}, 0, NameRules::kPosix,
       {{KeepReason::kBytesMissing, "BIG;1"}}, false, 200 * 2048},
  };
  for (const RuleCase& c : cases) {
    pdiset::MemberDecision decision = pdiset::decide_member_deletion(c.files, c.warnings, c.rules, pdiset::SetHolding{c.image_bytes, c.cut_short});
    std::vector<std::pair<KeepReason, std::string>> findings;
    for (const pdiset::KeepFinding& f : decision.findings) findings.push_back({f.reason, f.name});
    EXPECT_EQ(findings, c.findings) << c.what;
    EXPECT_EQ(decision.may_delete, c.findings.empty()) << c.what;
  }
}

}  // namespace
