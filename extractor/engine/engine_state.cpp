#include "engine_state.h"

// Static and zero-filled: it costs no memory until it is touched, and bytes
// beyond a short directory read count as zero.
alignas(4096) static unsigned char g_copy_buffer[kCopyChunk];

EngineState g_engine = [] {
  EngineState state;
  state.copy_buffer = g_copy_buffer;
  return state;
}();
