// When the command buttons of the main window may be used. Buttons are only
// disabled once, when the window loads; the change events only ever enable.
#pragma once

namespace quarnpad {

struct CommandEnabling {
  bool command2;  // "&Extract all files"
  bool command5;  // "Extract &files"
  bool command6;  // "&Convert to Iso"
};

// Form_Load: an empty Text1 disables all three, then an empty Text2 disables
// Command2 and Command5; a button not disabled here keeps its current state.
CommandEnabling enabling_at_load(CommandEnabling current, bool text1_empty,
                                 bool text2_empty);

// Text1 change: Command6 is enabled.
CommandEnabling enabling_after_text1_change(CommandEnabling current);

// Text2 change: all three are enabled.
CommandEnabling enabling_after_text2_change(CommandEnabling current);

}  // namespace quarnpad
