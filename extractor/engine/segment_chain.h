// Walks from member to member of the set, always forward, with exactly one
// member open at a time, deleting each member once it has been left when
// remove_members is set. Each member is added to the member map as it is
// reached; the map says where its sectors lie.
#pragma once

#include <cstdint>
#include <string>

#include "engine_state.h"

void start_segment_chain();
// Leaves the current member (deleting it when remove_members is set) and
// opens the next. With hold_left the left member is kept until
// release_left_members: it holds bytes of a split sector that is not yet
// written, and they would be lost if a later member cannot finish it.
void open_next_member(bool hold_left = false);
void release_left_members();
void close_segment_chain();
