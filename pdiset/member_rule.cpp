#include "member_rule.h"

#include <map>

#include "layout.h"

namespace pdiset {

namespace {

// The chain never goes back: a file, or a later section of one, that starts
// before the furthest end of the runs written so far needs sectors that are
// already behind it.
void find_overlaps(const std::vector<const PlannedFile*>& written, std::vector<KeepFinding>* findings) {
  const PlannedFile* reaching = nullptr;  // the file whose run ends last so far
  int64_t reach = 0;                       // where that run ends
  std::vector<KeepFinding> going_back;
  auto pass = [&](const PlannedFile* file, int64_t first, int64_t count, bool later_section) {
    if (count == 0) return;
    if (reaching && first < reach)
      (later_section ? going_back : *findings).push_back(
          {later_section ? KeepReason::kSectionGoesBack : KeepReason::kOverlap, file->name, reaching->name});
    if (!reaching || first + count > reach) {
      reaching = file;
      reach = first + count;
    }
  };
  for (const PlannedFile* file : written) {
    pass(file, file->first_sector, file->sector_count, false);
    for (const PlannedSection& section : file->more_sections)
      pass(file, section.first_sector, section.sector_count, true);
  }
  findings->insert(findings->end(), going_back.begin(), going_back.end());
}

// Two versions of a file, or names that differ only in letter case (which
// Windows folders do not tell apart): the later output replaces the earlier.
void find_shared_names(const std::vector<const PlannedFile*>& written, std::vector<KeepFinding>* findings) {
  std::map<std::string, const PlannedFile*> seen;
  for (const PlannedFile* file : written) {
    auto found = seen.emplace(fold_ascii_case(output_file_name(file->name)), file);
    if (!found.second) findings->push_back({KeepReason::kSharedOutputName, file->name, found.first->second->name});
  }
}

// A file whose sections reach past the image bytes the set holds: the
// chain would leave members behind and then fail at the one missing.
void find_bytes_missing(const std::vector<const PlannedFile*>& written, int64_t image_bytes,
                        std::vector<KeepFinding>* findings) {
  auto reaches_past = [image_bytes](int64_t first_sector, int64_t sector_count, int64_t byte_length) {
    int64_t bytes = byte_length >= 0 ? byte_length : sector_count * kSectorSize;
    return bytes > 0 && first_sector * kSectorSize + bytes > image_bytes;
  };
  for (const PlannedFile* file : written) {
    bool past = reaches_past(file->first_sector, file->sector_count, file->byte_length);
    for (const PlannedSection& section : file->more_sections)
      past = past || reaches_past(section.first_sector, section.sector_count, section.byte_length);
    if (past) findings->push_back({KeepReason::kBytesMissing, file->name, ""});
  }
}

}  // namespace

MemberDecision decide_member_deletion(const std::vector<PlannedFile>& files, int selection_warnings,
                                      NameRules rules, const SetHolding& holding) {
  MemberDecision decision;
  std::vector<KeepFinding>& findings = decision.findings;
  if (selection_warnings > 0) findings.push_back({KeepReason::kSelectionWarnings, "", ""});
  std::vector<const PlannedFile*> written;
  for (const PlannedFile& file : files) {
    if (!file.selected) continue;
    if (is_safe_output_name(output_file_name(file.name), rules)) written.push_back(&file);
    else findings.push_back({KeepReason::kUnsafeName, file.name, ""});
  }
  find_overlaps(written, &findings);
  find_shared_names(written, &findings);
  if (holding.cut_short) findings.push_back({KeepReason::kSetCutShort, "", ""});
  if (holding.image_bytes) find_bytes_missing(written, *holding.image_bytes, &findings);
  decision.may_delete = findings.empty();
  return decision;
}

}  // namespace pdiset
