// Which quarnex options a run starts with and how its console window is
// first shown, chosen from the three check boxes of the main window.
#pragma once

namespace quarnpad {

// Show-window codes handed to the new console window.
enum class StartWindow {
  kMaximised = 3,              // SW_SHOWMAXIMIZED: maximised and activated
  kMinimised = 2,              // SW_SHOWMINIMIZED: minimised and activated
  kMinimisedNoActivate = 7,    // SW_SHOWMINNOACTIVE: minimised, focus stays here
};

struct RunChoice {
  const char* prefix;          // first words of the command line, ends with a blank
  StartWindow window;
};

// Check box values are 0 (clear) or 1 (set); anything else counts as set.
// "&Extract all files": -r from check1, -v from check2, always -m;
// check3 starts the console minimised.
RunChoice extract_all_choice(int check1, int check2, int check3);

// "&Convert to Iso": -r from check1, always -i; check2 plays no part.
RunChoice convert_choice(int check1, int check3);

// "&Extract file(s)": the prefixes of extract-all, but a set check3 starts
// the console minimised without taking the focus away from us.
RunChoice selected_files_choice(int check1, int check2, int check3);

// The list run always starts minimised and activated.
StartWindow list_run_window();

}  // namespace quarnpad
