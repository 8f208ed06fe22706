#include "segment_chain.h"

#include <cerrno>
#include <climits>
#include <cstdio>

#include "../diagnostics.h"
#include "pdiset/layout.h"

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
  if (hold) g_engine.held_members.push_back(g_engine.member_name);
  else delete_member(g_engine.member_name);
}

void release_left_members() {
  for (const std::string& name : g_engine.held_members) delete_member(name);
  g_engine.held_members.clear();
}

void start_segment_chain() {
  check_member_name(g_engine.set_name);
  g_engine.member_name = g_engine.set_name;
  g_engine.member_index = 0;
  g_engine.member_map = pdiset::MemberMap();
  g_engine.member_map.add_member(measure_member());
}

void open_next_member(bool hold_left) {
  leave_current_member(hold_left);
  ++g_engine.member_index;
  g_engine.member_name = pdiset::member_file_name(g_engine.set_name, g_engine.member_index);
  check_member_name(g_engine.member_name);
  g_engine.member_handle = open_for_reading(g_engine.member_name.c_str());
  if (g_engine.member_handle == kNoFile) fatal_system_error(g_engine.member_name.c_str());
  fprintf(stderr, "(%s)", g_engine.member_name.c_str());
  g_engine.member_map.add_member(measure_member());
}

void close_segment_chain() { leave_current_member(false); }
