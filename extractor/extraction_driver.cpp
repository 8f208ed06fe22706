#include "extraction_driver.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "diagnostics.h"
#include "engine/file_table.h"
#include "engine/engine_state.h"
#include "engine/extent_copy.h"
#include "engine/segment_chain.h"
#include "file_selection.h"
#include "member_guard.h"
#include "pdiset/member_rule.h"
#include "pdiset/names.h"
#include "pdiset/volume.h"

static bool fits_output_path(const std::string& path) {
  return path.size() < static_cast<size_t>(kOutputPathSize);
}

std::string compose_output_path(const std::optional<std::string>& directory, const std::string& name) {
  if (!directory) return name;
  std::string path = *directory + path_separator() + name;
  if (!fits_output_path(path)) fatal_error_number(path.c_str(), ENAMETOOLONG);
  return path;
}

// Creates the -m directory and the VIDEO_TS level; failures are reported and
// the run goes on (a missing directory shows up when the first file is opened).
static void prepare_output_directories(const RunOptions& o, std::optional<std::string>* directory) {
  if (o.make_directory && make_directory((*directory)->c_str()) != 0) print_system_error((*directory)->c_str());
  if (!o.video_ts) return;
  *directory = *directory ? **directory + path_separator() + "VIDEO_TS" : std::string("VIDEO_TS");
  if (!fits_output_path(**directory)) {
    errno = ENAMETOOLONG;
    print_system_error((*directory)->c_str());
  } else if (make_directory((*directory)->c_str()) != 0) {
    print_system_error((*directory)->c_str());
  }
}

// Every sector that holds bytes of a section, of the entry.
static int64_t sectors_holding(const FileSection& section) {
  return (section.byte_length + kSectorSize - 1) / kSectorSize;
}
static int64_t sectors_holding(const FileEntry& entry) {
  int64_t sectors = 0;
  for (const FileSection& section : entry.sections) sectors += sectors_holding(section);
  return sectors;
}

static std::vector<pdiset::PlannedFile> planned_files() {
  std::vector<pdiset::PlannedFile> files;
  for (const FileEntry& entry : g_engine.file_table) {
    pdiset::PlannedFile file{entry.name, entry.first_sector, sectors_holding(entry.sections[0]), entry.selected, {},
                             entry.sections[0].byte_length};
    for (size_t k = 1; k < entry.sections.size(); ++k)
      file.more_sections.push_back(
          {entry.sections[k].first_sector, sectors_holding(entry.sections[k]), entry.sections[k].byte_length});
    files.push_back(file);
  }
  return files;
}

// Entries whose names would leave the output directory, or cannot be names
// at all, are never written. Returns how many selected entries that skips.
static int skip_unsafe_names() {
  int skipped = 0;
  for (FileEntry& entry : g_engine.file_table) {
    if (!entry.selected || pdiset::is_safe_output_name(pdiset::output_file_name(entry.name), pdiset::host_name_rules()))
      continue;
    fprintf(stderr, "Warning: file %s has a name that cannot be written safely, skipped\n",
            pdiset::printable_name(entry.name).c_str());
    entry.selected = false;
    ++skipped;
  }
  return skipped;
}

static void clear_delete_flag() {
  fputs("cowardly clearing delete source flag\n", stderr);
  g_engine.remove_members = false;
}

// File words that named nothing: the user may have meant a file that is not
// written, so no member is deleted.
static void keep_members_for_selection(const pdiset::MemberDecision& decision, int warnings) {
  if (!g_engine.remove_members || decision.findings.empty() ||
      decision.findings[0].reason != pdiset::KeepReason::kSelectionWarnings)
    return;
  fprintf(stderr, "%i warnings issued during file selection.\n", warnings);
  clear_delete_flag();
}

// Says why members are kept: the findings of the first reason that the
// decision gives after the selection's own.
static void keep_members(const pdiset::MemberDecision& decision) {
  if (!g_engine.remove_members || decision.may_delete) return;
  pdiset::KeepReason reason = pdiset::KeepReason::kSelectionWarnings;
  for (const pdiset::KeepFinding& f : decision.findings) {
    if (f.reason == pdiset::KeepReason::kSelectionWarnings) continue;
    if (reason == pdiset::KeepReason::kSelectionWarnings) reason = f.reason;
    if (f.reason != reason) break;
    if (reason == pdiset::KeepReason::kOverlap)
      fprintf(stderr, "Warning: file %s overlaps file %s\n", pdiset::printable_name(f.name).c_str(),
              pdiset::printable_name(f.other).c_str());
    if (reason == pdiset::KeepReason::kSharedOutputName)
      fprintf(stderr, "Warning: files %s and %s are written to one output file\n",
              pdiset::printable_name(f.other).c_str(), pdiset::printable_name(f.name).c_str());
  }
  if (reason != pdiset::KeepReason::kSelectionWarnings) clear_delete_flag();
}

static void write_entry(const FileEntry& entry, const std::string& path) {
  fprintf(stderr, "writing %s (%i extents) ", path.c_str(), static_cast<int>(sectors_holding(entry)));
  refuse_if_member(path.c_str());
  FileHandle out = create_for_writing(path.c_str());
  if (out == kNoFile) fatal_system_error(entry.name.c_str());
  g_engine.output_handle = out;
  g_engine.output_path = path;
  for (const FileSection& section : entry.sections) copy_file_bytes(out, section.first_sector, section.byte_length);
  // Members are deleted only behind data that is on stable storage.
  if (g_engine.remove_members) {
    if (flush_to_disk(out) != 0) fatal_system_error("during flush of extents");
    flush_directory_of(path.c_str());
  }
  close_file(out);
  g_engine.output_handle = kNoFile;
  fputc('\n', stderr);
}

void run_extraction(const RunOptions& o, const std::vector<std::string>& words) {
  // A conversion needs no listed file: the volume is written all the same.
  if (g_engine.file_table.empty() && !o.iso_name) {
    fprintf(stderr, "no files found in %s, exiting.\n", g_engine.set_name.c_str());
    fatal_exit("");
  }
  std::vector<std::string> file_words(words.begin() + o.image_word + 1, words.end());
  int warnings = 0;
  if (!file_words.empty()) warnings = select_files(file_words);
  int skipped = 0;
  if (!o.iso_name) {
    // The members were measured when the directory was read, before the
    // chain leaves any of them.
    pdiset::MemberDecision decision =
        pdiset::decide_member_deletion(planned_files(), warnings, pdiset::host_name_rules(),
                                       pdiset::SetHolding{g_engine.set_image_bytes, false});
    keep_members_for_selection(decision, warnings);
    if (!file_words.empty() && !any_file_selected()) fatal_exit("no files to extract, exiting.");
    skipped = skip_unsafe_names();
    keep_members(decision);
  }

  std::optional<std::string> directory = o.output_directory;
  prepare_output_directories(o, &directory);

  start_segment_chain();
  if (o.iso_name) make_image_entry(o.iso_name->c_str());

  for (const FileEntry& entry : g_engine.file_table) {
    if (!entry.selected) continue;
    const std::string name = o.iso_name ? entry.name : pdiset::output_file_name(entry.name);
    write_entry(entry, compose_output_path(directory, name));
  }
  close_segment_chain();

  if (skipped != 0) {
    char message[96];
    snprintf(message, sizeof message, "%i file%s not written because of unsafe names.", skipped,
             skipped == 1 ? "" : "s");
    fatal_exit(message);
  }
  fflush(stdout);
  exit(0);
}
