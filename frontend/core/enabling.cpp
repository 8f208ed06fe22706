#include "enabling.h"

namespace quarnpad {

CommandEnabling enabling_at_load(CommandEnabling current, bool text1_empty,
                                 bool text2_empty) {
  if (text1_empty) {
    current.command2 = false;
    current.command5 = false;
    current.command6 = false;
  }
  if (text2_empty) {
    current.command2 = false;
    current.command5 = false;
  }
  return current;
}

CommandEnabling enabling_after_text1_change(CommandEnabling current) {
  current.command6 = true;
  return current;
}

CommandEnabling enabling_after_text2_change(CommandEnabling current) {
  current.command2 = true;
  current.command5 = true;
  current.command6 = true;
  return current;
}

}  // namespace quarnpad
