#include "member_guard.h"

#include <string>

#include "diagnostics.h"
#include "engine/engine_state.h"
#include "pdiset/layout.h"

void refuse_if_member(const char* path) {
  if (!file_exists(path)) return;
  // Members before the current one may be gone already; from the current
  // one on, the set ends at the first name that does not exist.
  for (int k = 0;; ++k) {
    std::string member = pdiset::member_file_name(g_engine.set_name, k);
    if (same_file(path, member.c_str())) {
      std::string message = std::string(path) + ": is a member of the .pdi set, not overwritten";
      fatal_exit(message.c_str());
    }
    if (k >= g_engine.member_index && !file_exists(member.c_str())) return;
  }
}
