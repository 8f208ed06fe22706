#include "run_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace quarnpad {
namespace {

struct ExtractRow {
  int check1, check2, check3;
  const char* prefix;
  StartWindow window;
};

const StartWindow kMax = StartWindow::kMaximised;
const StartWindow kMin = StartWindow::kMinimised;
const StartWindow kMinNoActivate = StartWindow::kMinimisedNoActivate;

// Every row's check boxes, given to the choice under test, give its prefix
// and window.
template <size_t N>
void expect_choices(const ExtractRow (&rows)[N], RunChoice (*choice_of)(int, int, int)) {
  for (const ExtractRow& row : rows) {
    RunChoice choice = choice_of(row.check1, row.check2, row.check3);
    SCOPED_TRACE(testing::Message() << row.check1 << row.check2 << row.check3);
    EXPECT_EQ(std::string(row.prefix), choice.prefix);
    EXPECT_EQ(row.window, choice.window);
  }
}

TEST(RunChoice, ExtractAllEveryRow) {
  const ExtractRow rows[] = {
      {0, 0, 0, "quarnex -m ", kMax},       {1, 0, 0, "quarnex -r -m ", kMax},
      {0, 1, 0, "quarnex -v -m ", kMax},    {1, 1, 0, "quarnex -r -v -m ", kMax},
      {0, 0, 1, "quarnex -m ", kMin},       {1, 0, 1, "quarnex -r -m ", kMin},
      {0, 1, 1, "quarnex -v -m ", kMin},    {1, 1, 1, "quarnex -r -v -m ", kMin},
  };
  expect_choices(rows, extract_all_choice);
}

TEST(RunChoice, SelectedFilesEveryRow) {
  const ExtractRow rows[] = {
      {0, 0, 0, "quarnex -m ", kMax},
      {1, 0, 0, "quarnex -r -m ", kMax},
      {0, 1, 0, "quarnex -v -m ", kMax},
      {1, 1, 0, "quarnex -r -v -m ", kMax},
      {0, 0, 1, "quarnex -m ", kMinNoActivate},
      {1, 0, 1, "quarnex -r -m ", kMinNoActivate},
      {0, 1, 1, "quarnex -v -m ", kMinNoActivate},
      {1, 1, 1, "quarnex -r -v -m ", kMinNoActivate},
  };
  expect_choices(rows, selected_files_choice);
}

TEST(RunChoice, ConvertEveryRowAndCheck2HasNoInfluence) {
  struct Row {
    int check1, check3;
    const char* prefix;
    StartWindow window;
  };
  const Row rows[] = {
      {0, 0, "quarnex -i ", kMax},
      {1, 0, "quarnex -r -i ", kMax},
      {0, 1, "quarnex -i ", kMin},
      {1, 1, "quarnex -r -i ", kMin},
  };
  for (const Row& row : rows) {
    RunChoice choice = convert_choice(row.check1, row.check3);
    SCOPED_TRACE(testing::Message() << row.check1 << row.check3);
    EXPECT_EQ(std::string(row.prefix), choice.prefix);
    EXPECT_EQ(row.window, choice.window);
  }
}

TEST(RunChoice, ShowCodesAreTheSystemsNumbers) {
  EXPECT_EQ(3, static_cast<int>(StartWindow::kMaximised));
  EXPECT_EQ(2, static_cast<int>(StartWindow::kMinimised));
  EXPECT_EQ(7, static_cast<int>(StartWindow::kMinimisedNoActivate));
}

TEST(RunChoice, ListRunAlwaysMinimisedAndActivated) {
  EXPECT_EQ(StartWindow::kMinimised, list_run_window());
}

}  // namespace
}  // namespace quarnpad
