// Answers a real modal dialog of this thread: once a visible dialog with
// the given title turns up, the action runs on it (reads what it shows,
// fills in a name, presses a button).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quarnpad {

struct DialogRobot {
  std::string title;                   // empty: any dialog window
  std::function<bool(HWND)> wanted;    // when set, it must accept the dialog
  std::function<void(HWND)> action;
  bool done = false;
  std::string seen_title;
};

// Arms the robot; the dialog must appear within the next few seconds,
// while the caller's modal call runs.
void arm(DialogRobot* robot);

// Stops the robot if it never found its dialog.
void disarm();

// Every static text of a dialog, one after the other.
std::string static_texts(HWND dialog);

// Texts of a dialog's controls.
std::string item_text(HWND dialog, int id);
std::string combo_entry(HWND dialog, int id, int index);

}  // namespace quarnpad
