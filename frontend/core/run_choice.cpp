#include "run_choice.h"

namespace quarnpad {

namespace {

const char* extraction_prefix(int check1, int check2) {
  if (check1 != 0 && check2 != 0) return "quarnex -r -v -m ";
  if (check1 != 0) return "quarnex -r -m ";
  if (check2 != 0) return "quarnex -v -m ";
  return "quarnex -m ";
}

}  // namespace

RunChoice extract_all_choice(int check1, int check2, int check3) {
  return RunChoice{extraction_prefix(check1, check2),
                   check3 != 0 ? StartWindow::kMinimised : StartWindow::kMaximised};
}

RunChoice convert_choice(int check1, int check3) {
  return RunChoice{check1 != 0 ? "quarnex -r -i " : "quarnex -i ",
                   check3 != 0 ? StartWindow::kMinimised : StartWindow::kMaximised};
}

RunChoice selected_files_choice(int check1, int check2, int check3) {
  return RunChoice{extraction_prefix(check1, check2),
                   check3 != 0 ? StartWindow::kMinimisedNoActivate
                               : StartWindow::kMaximised};
}

StartWindow list_run_window() { return StartWindow::kMinimised; }

}  // namespace quarnpad
