#include "extent_copy.h"

#include <cstdio>

#include "../diagnostics.h"
#include "engine_state.h"
#include "segment_chain.h"

static const SegmentEntry& current_row() { return g_engine.segment_table[g_engine.member_index]; }

static int64_t current_end() {
  const SegmentEntry& row = current_row();
  return static_cast<int64_t>(row.first_sector) + row.sector_count;
}

static void copy_step(FileHandle out, int64_t bytes, bool piece_started) {
  CopyResult result = copy_bytes(g_engine.member_handle, out, bytes, g_engine.copy_buffer, piece_started);
  if (result == kCopyReadFailed) fatal_system_error("during read of extents");
  if (result == kCopyWriteFailed) fatal_system_error("during write of extents");
}

// Copies n sectors from s on that all lie whole in the current member: one
// seek, then one step per 20 MiB with a dot after each full step but the last.
static void copy_sectors(FileHandle out, int64_t s, int64_t n) {
  const SegmentEntry& row = current_row();
  if (seek_to(g_engine.member_handle, row.data_offset + (s - row.first_sector) * kSectorSize) < 0)
    fatal_system_error("during skip of .pdi-data");
  int64_t bytes = n * kSectorSize;
  bool started = false;
  while (bytes > kCopyChunk) {
    copy_step(out, kCopyChunk, started);
    started = true;
    bytes -= kCopyChunk;
    fputc('.', stderr);
  }
  copy_step(out, bytes, started);
}

// The sector at the current member's end: its tail from this member, its
// rest from the next one, which becomes the current member.
static bool copy_split_sector(FileHandle out) {
  unsigned char sector[kSectorSize];
  const SegmentEntry& row = current_row();
  if (seek_to(g_engine.member_handle, row.data_offset + static_cast<int64_t>(row.sector_count) * kSectorSize) < 0)
    fatal_system_error("during skip of .pdi-data");
  int64_t tail = read_full(g_engine.member_handle, sector, kSectorSize);
  if (tail < 0) fatal_system_error("reading partial extent, first part");

  open_next_member(tail > 0);
  if (seek_to(g_engine.member_handle, 0) < 0) fatal_system_error("during rewind of .pdi-data");
  if (tail == 0) return false;  // the member ended on a sector boundary

  int64_t rest = kSectorSize - tail;
  if (read_full(g_engine.member_handle, sector + tail, rest) < rest)
    fatal_system_error("reading partial extent, second part");
  if (write_full(out, sector, kSectorSize) < kSectorSize) fatal_system_error("during write of segmented extent");
  release_left_member();
  return true;
}

// Moves the chain to the member that holds sector s whole, or its first part.
static void reach_sector(int64_t s) {
  while (s > current_end()) open_next_member();
}

void copy_run(FileHandle out, int32_t first, int32_t count) {
  int64_t s = first;
  int64_t n = count;
  reach_sector(s);
  while (n > 0) {
    int64_t e = current_end();
    int64_t k = s + n <= e ? n : e - s;
    if (k > 0) {
      copy_sectors(out, s, k);
      s += k;
      n -= k;
      if (n == 0) break;
    }
    if (copy_split_sector(out)) {
      s += 1;
      n -= 1;
    }
  }
}

// The first bytes of sector s (fewer than a sector): the end of a file. The
// next member is opened only when some of these bytes lie in it.
static void copy_sector_start(FileHandle out, int64_t s, int64_t bytes) {
  unsigned char sector[kSectorSize];
  reach_sector(s);
  for (;;) {
    const SegmentEntry& row = current_row();
    if (seek_to(g_engine.member_handle, row.data_offset + (s - row.first_sector) * kSectorSize) < 0)
      fatal_system_error("during skip of .pdi-data");
    if (s < current_end()) {  // the sector lies whole in this member
      if (read_full(g_engine.member_handle, sector, bytes) < bytes) fatal_system_error("during read of extents");
      if (write_full(out, sector, bytes) < bytes) fatal_system_error("during write of extents");
      return;
    }
    // The member ends inside sector s, or right before it.
    int64_t first = read_full(g_engine.member_handle, sector, bytes);
    if (first < 0) fatal_system_error("reading partial extent, first part");
    if (first == bytes) {
      if (write_full(out, sector, bytes) < bytes) fatal_system_error("during write of segmented extent");
      return;
    }
    open_next_member(first > 0);
    if (seek_to(g_engine.member_handle, 0) < 0) fatal_system_error("during rewind of .pdi-data");
    if (first == 0) continue;  // the member ended on a sector boundary
    int64_t rest = bytes - first;
    if (read_full(g_engine.member_handle, sector + first, rest) < rest)
      fatal_system_error("reading partial extent, second part");
    if (write_full(out, sector, bytes) < bytes) fatal_system_error("during write of segmented extent");
    release_left_member();
    return;
  }
}

void copy_file_bytes(FileHandle out, int32_t first, int64_t length) {
  int64_t whole = length / kSectorSize;
  int64_t rest = length % kSectorSize;
  if (whole > 0) copy_run(out, first, static_cast<int32_t>(whole));
  if (rest > 0) copy_sector_start(out, int64_t{first} + whole, rest);
}
