// The running front end: its two windows and the pieces they share.
#pragma once

#include "common_dialog.h"
#include "enabling.h"
#include "platform.h"

namespace quarnpad {

const int kMaxFormControls = 16;

struct FormWindow {
  HWND window;
  HWND controls[kMaxFormControls];  // by row of the window's layout
  HWND tool_tip;
  HWND last_focus;  // focus to give back when the window is active again
};

struct App {
  const Platform* platform;
  HINSTANCE instance;
  int dpi_x, dpi_y;
  HFONT font;
  FormWindow form1;
  FormWindow form2;
  CommonDialog common_dialog1;
  CommandEnabling enabling;  // what the enabling rules allow
  bool run_under_way;        // the action buttons wait while it is true
  HWND focus_before_run;     // given back when the run has ended
  StartResult current_run;   // the run under way
  bool end_after_run;        // the user chose to stop the run and end
  bool run_stopped;          // the run was stopped (not ended on its own)
};

// Fills in everything but the windows, which are made when loaded.
void init_app(App* app, const Platform* platform, HINSTANCE instance);

// Closes every window still open and frees the font.
void close_app(App* app);

}  // namespace quarnpad
