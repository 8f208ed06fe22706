#include "segment_chain.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "../diagnostics.h"
#include "pdiset/layout.h"

static int32_t whole_sectors(int64_t bytes) {
  return bytes <= 0 ? 0 : static_cast<int32_t>(std::min<int64_t>(bytes / kSectorSize, INT32_MAX));
}

SegmentEntry first_segment(int64_t member_size) {
  SegmentEntry row;
  row.data_offset = kSetHeaderSize;
  row.member_size = member_size;
  row.first_sector = 0;
  row.sector_count = whole_sectors(member_size - kSetHeaderSize);
  return row;
}

SegmentEntry next_segment(const SegmentEntry& previous, int64_t member_size) {
  int64_t rest = previous.member_size - previous.data_offset;
  int64_t tail = rest > 0 ? rest % kSectorSize : 0;
  int64_t first = static_cast<int64_t>(previous.first_sector) + previous.sector_count + (tail != 0);
  SegmentEntry row;
  row.first_sector = static_cast<int32_t>(std::min<int64_t>(first, INT32_MAX));
  row.data_offset = tail != 0 ? kSectorSize - tail : 0;
  row.member_size = member_size;
  // A member shorter than its data offset cannot even finish the split
  // sector; the split-sector read reports it, and the row holds no sector.
  row.sector_count = whole_sectors(member_size - row.data_offset);
  return row;
}

// A member name longer than the system's names may be is an error with that
// name, rather than a different, shortened name.
static void check_member_name(const std::string& name) {
  if (name.size() >= static_cast<size_t>(kMemberNameSize)) fatal_error_number(name.c_str(), ENAMETOOLONG);
}

static int64_t measure_member() {
  int64_t size = seek_to_end(g_engine.member_handle);
  if (size < 0) fatal_system_error(g_engine.member_name.c_str());
  // Sector numbers are 32-bit: a member must not hold more sectors than that.
  if (size / kSectorSize >= INT32_MAX) fatal_error_number(g_engine.member_name.c_str(), EFBIG);
  return size;
}

// Whatever has been written from the member about to be deleted must be on
// stable storage first: once the member is gone it is the only copy.
static void make_output_durable() {
  if (g_engine.output_handle == kNoFile) return;
  if (flush_to_disk(g_engine.output_handle) != 0) fatal_system_error("during flush of extents");
  flush_directory_of(g_engine.output_path.c_str());
}

static void delete_member(const std::string& name) {
  if (!g_engine.remove_members) return;
  make_output_durable();
  if (remove_file(name.c_str()) != 0) print_system_error(name.c_str());
}

static void leave_current_member(bool hold) {
  close_file(g_engine.member_handle);
  g_engine.member_handle = kNoFile;
  if (hold) g_engine.held_member = g_engine.member_name;
  else delete_member(g_engine.member_name);
}

void release_left_member() {
  if (g_engine.held_member.empty()) return;
  delete_member(g_engine.held_member);
  g_engine.held_member.clear();
}

void start_segment_chain() {
  check_member_name(g_engine.set_name);
  g_engine.member_name = g_engine.set_name;
  g_engine.member_index = 0;
  g_engine.segment_table.assign(1, first_segment(measure_member()));
}

void open_next_member(bool hold_left) {
  leave_current_member(hold_left);
  ++g_engine.member_index;
  g_engine.member_name = pdiset::member_file_name(g_engine.set_name, g_engine.member_index);
  check_member_name(g_engine.member_name);
  g_engine.member_handle = open_for_reading(g_engine.member_name.c_str());
  if (g_engine.member_handle == kNoFile) fatal_system_error(g_engine.member_name.c_str());
  fprintf(stderr, "(%s)", g_engine.member_name.c_str());
  int64_t size = measure_member();
  SegmentEntry row = next_segment(g_engine.segment_table.back(), size);
  // A member that ends before the sector it continues does: that sector
  // would need a third member, and every sector after it would be looked
  // for at the wrong place. The run ends as a split-sector read that comes
  // up short does, before any byte is read from a wrong place.
  if (size < row.data_offset) fatal_error_number("reading partial extent, second part", 0);
  g_engine.segment_table.push_back(row);
}

void close_segment_chain() { leave_current_member(false); }
