#include "extent_copy.h"

#include <algorithm>
#include <cstdio>

#include "../diagnostics.h"
#include "engine_state.h"
#include "segment_chain.h"

static size_t current_member() { return static_cast<size_t>(g_engine.member_index); }

// One past the last sector that lies whole in the current member.
static int64_t current_end() { return g_engine.member_map.sectors_in(current_member()).end(); }

// Moves the current member's position to image byte x, which it holds.
static void seek_image_byte(int64_t x) {
  if (seek_to(g_engine.member_handle, g_engine.member_map.offset_in_member(current_member(), x)) < 0)
    fatal_system_error("during skip of .pdi-data");
}

static void copy_step(FileHandle out, int64_t bytes, bool piece_started) {
  CopyResult result = copy_bytes(g_engine.member_handle, out, bytes, g_engine.copy_buffer, piece_started);
  if (result == kCopyReadFailed) fatal_system_error("during read of extents");
  if (result == kCopyWriteFailed) fatal_system_error("during write of extents");
}

// Copies n sectors from s on that all lie whole in the current member: one
// seek, then one step per 20 MiB with a dot after each full step but the last.
static void copy_sectors(FileHandle out, int64_t s, int64_t n) {
  seek_image_byte(s * kSectorSize);
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

// Reads the first bytes of a split sector, those the current member holds.
static void read_split_head(unsigned char* sector, int64_t head) {
  if (read_full(g_engine.member_handle, sector, head) < head) fatal_system_error("reading partial extent, first part");
}

// The sector at the current member's end: its head from this member, its
// rest from the next one, which becomes the current member.
static bool copy_split_sector(FileHandle out) {
  unsigned char sector[kSectorSize];
  seek_image_byte(current_end() * kSectorSize);
  int64_t tail = g_engine.member_map.split_head(current_member());
  read_split_head(sector, tail);

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

void copy_run(FileHandle out, int64_t first, int64_t count) {
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
    seek_image_byte(s * kSectorSize);
    if (s < current_end()) {  // the sector lies whole in this member
      if (read_full(g_engine.member_handle, sector, bytes) < bytes) fatal_system_error("during read of extents");
      if (write_full(out, sector, bytes) < bytes) fatal_system_error("during write of extents");
      return;
    }
    // The member ends inside sector s, or right before it.
    int64_t first = std::min(bytes, g_engine.member_map.split_head(current_member()));
    read_split_head(sector, first);
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

void copy_file_bytes(FileHandle out, int64_t first, int64_t length) {
  int64_t whole = length / kSectorSize;
  int64_t rest = length % kSectorSize;
  if (whole > 0) copy_run(out, first, whole);
  if (rest > 0) copy_sector_start(out, first + whole, rest);
}
