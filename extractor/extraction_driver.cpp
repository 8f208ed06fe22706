#include "extraction_driver.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "diagnostics.h"
#include "engine/directory_reader.h"
#include "engine/engine_state.h"
#include "engine/extent_copy.h"
#include "engine/segment_chain.h"
#include "file_selection.h"
#include "member_guard.h"
#include "output_names.h"

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

// Entries whose names would leave the output directory, or cannot be names
// at all, are never written. Returns how many selected entries that skips.
static int skip_unsafe_names() {
  int skipped = 0;
  for (FileEntry& entry : g_engine.file_table) {
    if (entry.select_count == 0 || is_safe_output_name(output_file_name(entry.name))) continue;
    fprintf(stderr, "Warning: file %s has a name that cannot be written safely, skipped\n",
            printable_name(entry.name).c_str());
    entry.select_count = 0;
    ++skipped;
  }
  if (skipped != 0 && g_engine.remove_members) {
    fputs("cowardly clearing delete source flag\n", stderr);
    g_engine.remove_members = false;
  }
  return skipped;
}

// The chain only moves forward, so a selected file that starts inside an
// earlier selected file's run cannot be read once that run is done; with
// members deleted behind the chain its bytes would be gone from the set.
// Such images keep every member.
static void keep_members_for_overlaps() {
  if (!g_engine.remove_members) return;
  const FileEntry* reaching = nullptr;  // the selected run that ends last so far
  bool overlap = false;
  for (const FileEntry& entry : g_engine.file_table) {
    if (entry.select_count == 0 || entry.sector_count == 0) continue;
    if (reaching && entry.first_sector < static_cast<int64_t>(reaching->first_sector) + reaching->sector_count) {
      fprintf(stderr, "Warning: file %s overlaps file %s\n", printable_name(entry.name).c_str(),
              printable_name(reaching->name).c_str());
      overlap = true;
    }
    if (!reaching || static_cast<int64_t>(entry.first_sector) + entry.sector_count >
                         static_cast<int64_t>(reaching->first_sector) + reaching->sector_count)
      reaching = &entry;
  }
  if (overlap) {
    fputs("cowardly clearing delete source flag\n", stderr);
    g_engine.remove_members = false;
  }
}

// Two selected entries with one output name (two versions of a file, or
// names that differ only in the case of their letters, which Windows folders
// do not tell apart): the later one replaces the earlier one's output, so the
// earlier one's bytes must stay in the set.
static void keep_members_for_shared_names() {
  if (!g_engine.remove_members) return;
  std::map<std::string, const FileEntry*> seen;
  bool shared = false;
  for (const FileEntry& entry : g_engine.file_table) {
    if (entry.select_count == 0) continue;
    std::string key = output_file_name(entry.name);
    for (char& c : key) c = ascii_lower(c);
    auto found = seen.emplace(key, &entry);
    if (found.second) continue;
    fprintf(stderr, "Warning: files %s and %s are written to one output file\n",
            printable_name(found.first->second->name).c_str(), printable_name(entry.name).c_str());
    shared = true;
  }
  if (shared) {
    fputs("cowardly clearing delete source flag\n", stderr);
    g_engine.remove_members = false;
  }
}

static void write_entry(const FileEntry& entry, const std::string& path) {
  fprintf(stderr, "writing %s (%i extents) ", path.c_str(), static_cast<int>(entry.sector_count));
  refuse_if_member(path.c_str());
  FileHandle out = create_for_writing(path.c_str());
  if (out == kNoFile) fatal_system_error(entry.name.c_str());
  g_engine.output_handle = out;
  g_engine.output_path = path;
  copy_run(out, entry.first_sector, entry.sector_count);
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
  if (g_engine.file_table.empty()) {
    fprintf(stderr, "no files found in %s, exiting.\n", g_engine.set_name.c_str());
    fatal_exit("");
  }
  std::vector<std::string> file_words(words.begin() + o.image_word + 1, words.end());
  if (!file_words.empty()) select_files(file_words);
  int skipped = o.iso_name ? 0 : skip_unsafe_names();
  if (!o.iso_name) {
    keep_members_for_overlaps();
    keep_members_for_shared_names();
  }

  std::optional<std::string> directory = o.output_directory;
  prepare_output_directories(o, &directory);

  start_segment_chain();
  if (o.iso_name) make_image_entry(o.iso_name->c_str());

  for (const FileEntry& entry : g_engine.file_table) {
    if (entry.select_count == 0) continue;
    const std::string name = o.iso_name ? entry.name : output_file_name(entry.name);
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
