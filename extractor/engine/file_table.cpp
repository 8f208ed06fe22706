#include "file_table.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "../diagnostics.h"
#include "engine_state.h"
#include "pdiset/image_set.h"
#include "pdiset/member_rule.h"
#include "pdiset/names.h"
#include "pdiset/sections.h"
#include "pdiset/volume.h"

void open_image_set() {
  g_engine.member_handle = open_for_reading(g_engine.set_name.c_str());
  if (g_engine.member_handle == kNoFile) fatal_system_error(g_engine.set_name.c_str());
}

void print_listing_header() { fputs("[extent ] File Name    Size       Date       Time\n", stdout); }

void print_listing_line(const pdiset::DirectoryRecord& r) { print_listing_line(r, r.first_sector, r.data_length); }

void print_listing_line(const pdiset::DirectoryRecord& r, uint32_t first_sector, int64_t length) {
  printf("[%7i] ", static_cast<int>(first_sector));
  // The name is right-aligned in twelve places; longer names overflow, and
  // so do lengths past ten digits.
  for (size_t i = r.name.size(); i < 12; ++i) putchar(' ');
  fwrite(r.name.data(), 1, r.name.size(), stdout);
  printf(" %10lld %2i.%2i.%4i %02i:%02i:%02i\n", static_cast<long long>(length), r.day, r.month, r.year,
         r.hour, r.minute, r.second);
}

// One file of the directory: its records joined into sections; listed as
// its final record would be without the "more sections follow" flag.
static void take_file(const std::vector<pdiset::DirectoryRecord>& records, const pdiset::SectionedFile& file) {
  pdiset::DirectoryRecord final_record = records[file.final_record];
  final_record.flags &= ~pdiset::kNotFinalSection;
  if (!pdiset::is_listed_file(final_record)) return;
  const uint32_t first_sector = records[file.first].first_sector;
  if (file.unterminated)
    fprintf(stderr, "Warning: %s is recorded in sections that do not end\n",
            pdiset::printable_name(final_record.name).c_str());
  print_listing_line(final_record, first_sector, file.length);
  FileEntry entry{final_record.name, static_cast<int32_t>(first_sector), file.length, true, {}};
  for (size_t k = file.first; k < file.first + file.count; ++k)
    // Sectors are signed 32-bit, as the table sorts them: a hostile extent
    // past 2^31 is a negative sector, which no read reaches.
    entry.sections.push_back(FileSection{static_cast<int32_t>(records[k].first_sector), records[k].data_length});
  g_engine.file_table.push_back(std::move(entry));
}

[[noreturn]] static void directory_read_failed(const pdiset::Failure& failure) {
  fatal_error_number("during read of directory", failure.error_number);
}

int read_directory(bool for_conversion) {
  // The directory and the volume descriptor may lie in any member; they are
  // read through a reader of the whole set that is closed again before the
  // segment chain starts (a member open there could not be deleted on
  // Windows).
  pdiset::ImageSet set;
  if (std::optional<pdiset::Failure> failure = pdiset::ImageSet::open(g_engine.set_name, &set))
    directory_read_failed(*failure);
  pdiset::FoundDirectory found;
  if (std::optional<pdiset::Failure> failure = pdiset::find_directory(set, &found))
    directory_read_failed(*failure);
  // Only a conversion needs the volume's size: each read is one more touch
  // of a set that may sit on a failing disk.
  if (for_conversion) g_engine.image_extent = pdiset::whole_image_extent(set, found, set.whole_sectors());
  g_engine.set_image_bytes = set.image_size();
  set.close();

  if (found.source == pdiset::DirectorySource::kNotFound)
    fprintf(stderr, "Warning: no ISO 9660 directory found in %s\n", g_engine.set_name.c_str());
  print_listing_header();
  for (const pdiset::SectionedFile& file : pdiset::join_sections(found.records)) take_file(found.records, file);
  // The listing keeps the directory's order; the table goes by first sector.
  std::stable_sort(g_engine.file_table.begin(), g_engine.file_table.end(),
                   [](const FileEntry& a, const FileEntry& b) { return a.first_sector < b.first_sector; });
  return static_cast<int>(g_engine.file_table.size());
}

void make_image_entry(const char* iso_name) {
  std::vector<FileEntry>& table = g_engine.file_table;
  const pdiset::ImageExtent extent = g_engine.image_extent.value_or(pdiset::ImageExtent());
  if (extent.cut_short)
    fprintf(stderr, "Warning: the image set holds %lld of the volume's %lld sectors\n",
            static_cast<long long>(extent.sectors), static_cast<long long>(extent.wanted));
  if (extent.cut_short || extent.files_missing) {
    // The set ends inside the volume: the bytes past its whole sectors go
    // into no output, and the run fails where a file needs a missing byte.
    // A set whose missing members may yet turn up keeps every member.
    pdiset::MemberDecision decision =
        pdiset::decide_member_deletion({}, 0, pdiset::host_name_rules(), pdiset::SetHolding{std::nullopt, true});
    if (g_engine.remove_members && !decision.may_delete) {
      fputs("cowardly clearing delete source flag\n", stderr);
      g_engine.remove_members = false;
    }
  }
  int32_t sectors = static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(extent.sectors, INT32_MAX)));
  table.resize(1);
  table[0].name = iso_name;
  table[0].first_sector = 0;
  table[0].byte_length = int64_t{sectors} * kSectorSize;
  table[0].selected = true;
  table[0].sections = {FileSection{0, table[0].byte_length}};
}
