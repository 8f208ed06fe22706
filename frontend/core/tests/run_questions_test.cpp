// The rules behind the questions a run may ask first, and the main window's
// line that tells how a run went.
#include "iso_name.h"
#include "layout.h"
#include "partial_pick.h"
#include "texts.h"

#include <gtest/gtest.h>

#include "text_cases.h"

namespace quarnpad {
namespace {

// The name quarnex writes for the -i word: ".iso" added unless the name
// ends in it, ASCII letters compared without regard to case.
TEST(IsoOutputName, ExtensionAddedUnlessPresent) {
  expect_texts({
      {"D:\\movie", "D:\\movie.iso"},         {"D:\\movie.iso", "D:\\movie.iso"},
      {"D:\\MOVIE.ISO", "D:\\MOVIE.ISO"},     {"D:\\movie.IsO", "D:\\movie.IsO"},
      {"D:\\movie.iso.txt", "D:\\movie.iso.txt.iso"},
      {"D:\\movie.is", "D:\\movie.is.iso"},   {"iso", "iso.iso"},
      {".iso", ".iso"},                       {"", ".iso"},
      {"D:\\a\xc4.ISO", "D:\\a\xc4.ISO"},     {"D:\\movie.\xc9SO", "D:\\movie.\xc9SO.iso"},
  }, iso_output_name);
}

TEST(PartialPick, AsksOnlyWhenDeletingLosesFiles) {
  struct Row {
    bool delete_set;
    std::size_t picked, listed;
    bool asks;
  };
  const Row rows[] = {
      {true, 1, 5, true},  {true, 4, 5, true},  {true, 5, 5, false},
      {false, 1, 5, false}, {true, 0, 0, false}, {true, 1, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.delete_set << " " << row.picked << "/" << row.listed);
    EXPECT_EQ(row.asks, deleting_loses_files(row.delete_set, row.picked, row.listed));
  }
  EXPECT_EQ(
      "Only 1 of 5 files are extracted. Deleting the set's members loses the other files. "
      "Delete them anyway?",
      partial_delete_question(1, 5));
}

// The status line sits in the free strip above the first frame and covers
// no other control.
TEST(StatusLine, CoversNoOtherControl) {
  const FormLayout& f1 = form1_layout();
  PixelRect label = control_rect(f1, form1::Label1, 96, 96);
  for (int i = 0; i < f1.control_count; ++i) {
    if (i == form1::Label1) continue;
    SCOPED_TRACE(f1.controls[i].name);
    PixelRect r = control_rect(f1, i, 96, 96);
    bool apart = label.left + label.width <= r.left || r.left + r.width <= label.left ||
                 label.top + label.height <= r.top || r.top + r.height <= label.top;
    EXPECT_TRUE(apart);
  }
}

}  // namespace
}  // namespace quarnpad
