// Maps image sectors onto the members of the set and walks from member to
// member, always forward, with exactly one member open at a time, deleting
// each member once it has been left when remove_members is set.
#pragma once

#include <cstdint>
#include <string>

#include "engine_state.h"

// Row 0 from member 0's size: data behind the 304-byte header.
SegmentEntry first_segment(int64_t member_size);
// Row k from row k-1 and member k's size; the sector that row k-1's member
// ends inside of, if any, is split between the two.
SegmentEntry next_segment(const SegmentEntry& previous, int64_t member_size);

void start_segment_chain();
// Leaves the current member (deleting it when remove_members is set) and
// opens the next. With hold_left the left member is kept until
// release_left_member: its last bytes start a split sector that is not yet
// written, and they would be lost if the next member cannot finish it.
void open_next_member(bool hold_left = false);
void release_left_member();
void close_segment_chain();
