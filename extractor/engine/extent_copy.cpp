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

// Moves the chain on while the current member ends at or before image byte
// x: those members hold none of the bytes from x on.
static void reach_byte(int64_t x) {
  while (x >= g_engine.member_map.image_end(current_member())) open_next_member();
}

// Writes the image bytes [x, x + bytes) of one sector, x held by the current
// member, to out. Where they go on past its end they are put together from
// the members that follow, as many as hold them (a member shorter than a
// sector, or empty, passes the sector on); each member left on the way is
// kept until the assembled bytes are written, since they are the only copy.
static void copy_sector_bytes(FileHandle out, int64_t x, int64_t bytes) {
  unsigned char sector[kSectorSize];
  // A sector that does not lie whole in the current member is a split
  // sector, even where the bytes asked of it all lie in that member.
  const bool split = x / kSectorSize >= current_end();
  seek_image_byte(x);
  int64_t got = 0;
  for (bool first = true;; first = false) {
    int64_t take = std::min(bytes - got, g_engine.member_map.image_end(current_member()) - (x + got));
    if (take > 0 && read_full(g_engine.member_handle, sector + got, take) < take)
      fatal_system_error(!split ? "during read of extents"
                         : first ? "reading partial extent, first part"
                                 : "reading partial extent, second part");
    got += std::max<int64_t>(take, 0);
    if (got == bytes) break;
    open_next_member(true);
    if (seek_to(g_engine.member_handle, 0) < 0) fatal_system_error("during rewind of .pdi-data");
  }
  if (write_full(out, sector, bytes) < bytes)
    fatal_system_error(split ? "during write of segmented extent" : "during write of extents");
  release_left_members();
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
    if (s < e) {  // whole sectors of this member: one piece
      int64_t k = std::min(n, e - s);
      copy_sectors(out, s, k);
      s += k;
      n -= k;
      continue;
    }
    // Sector s begins in a later member, or is split from this one on.
    reach_byte(s * kSectorSize);
    if (s < current_end()) continue;
    copy_sector_bytes(out, s * kSectorSize, kSectorSize);
    s += 1;
    n -= 1;
  }
}

// The first bytes of sector s (fewer than a sector): the end of a file. The
// next member is opened only when some of these bytes lie in it.
static void copy_sector_start(FileHandle out, int64_t s, int64_t bytes) {
  reach_sector(s);
  reach_byte(s * kSectorSize);
  copy_sector_bytes(out, s * kSectorSize, bytes);
}

void copy_file_bytes(FileHandle out, int64_t first, int64_t length) {
  int64_t whole = length / kSectorSize;
  int64_t rest = length % kSectorSize;
  if (whole > 0) copy_run(out, first, whole);
  if (rest > 0) copy_sector_start(out, first + whole, rest);
}
