#include "layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarnpad {
namespace {

TEST(Layout, TwipsToPixels) {
  struct Row {
    int twips, dpi, pixels;
  };
  const Row rows[] = {
      {15, 96, 1},     {4680, 96, 312},  {5970, 96, 398}, {4680, 120, 390},
      {4680, 144, 468}, {285, 120, 24},  {7, 96, 0},      {8, 96, 1},
      {0, 96, 0},      {4740, 192, 632},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.twips << " at " << row.dpi);
    EXPECT_EQ(row.pixels, twips_to_pixels(row.twips, row.dpi));
  }
}

TEST(Layout, RowsMatchTheirNames) {
  const char* form1_names[] = {"Command1", "Text1",    "Frame1",   "Command2", "Command3",
                               "Command4", "Frame2",   "Text2",    "Frame3",   "Check1",
                               "Command5", "Command6", "Check2",   "Check3",
                               "Label1"};
  ASSERT_EQ(15, form1_layout().control_count);
  for (int i = 0; i < form1_layout().control_count; ++i) {
    EXPECT_EQ(std::string(form1_names[i]), form1_layout().controls[i].name);
  }
  const char* form2_names[] = {"List1", "Command2", "Text1", "Label1"};
  ASSERT_EQ(4, form2_layout().control_count);
  for (int i = 0; i < form2_layout().control_count; ++i) {
    EXPECT_EQ(std::string(form2_names[i]), form2_layout().controls[i].name);
  }
}

struct RectRow {
  int row;
  PixelRect rect;
};

// Each listed control's rectangle and the client area, at 96 dpi.
void expect_at_96_dpi(const FormLayout& layout, const std::vector<RectRow>& rows,
                      int client_width, int client_height) {
  for (const RectRow& row : rows) {
    SCOPED_TRACE(layout.controls[row.row].name);
    PixelRect r = control_rect(layout, row.row, 96, 96);
    EXPECT_EQ(row.rect.left, r.left);
    EXPECT_EQ(row.rect.top, r.top);
    EXPECT_EQ(row.rect.width, r.width);
    EXPECT_EQ(row.rect.height, r.height);
  }
  PixelRect client = client_rect(layout, 96, 96);
  EXPECT_EQ(client_width, client.width);
  EXPECT_EQ(client_height, client.height);
}

TEST(Layout, Form1At96Dpi) {
  expect_at_96_dpi(form1_layout(),
                   {
                       {form1::Command1, {208, 72, 73, 33}},  {form1::Text1, {24, 48, 265, 19}},
                       {form1::Frame1, {8, 32, 297, 81}},     {form1::Command2, {240, 352, 65, 41}},
                       {form1::Command3, {8, 352, 65, 41}},   {form1::Command4, {208, 160, 73, 33}},
                       {form1::Frame2, {8, 120, 297, 81}},    {form1::Text2, {24, 136, 265, 19}},
                       {form1::Frame3, {104, 208, 113, 185}}, {form1::Check1, {112, 224, 97, 49}},
                       {form1::Command5, {240, 304, 65, 41}}, {form1::Command6, {240, 256, 65, 41}},
                       {form1::Check2, {112, 280, 97, 41}},   {form1::Check3, {112, 336, 89, 41}},
                       {form1::Label1, {8, 8, 297, 17}},  // above Frame1's caption
                   },
                   312, 398);
}

TEST(Layout, Form2At96Dpi) {
  expect_at_96_dpi(form2_layout(),
                   {
                       {form2::List1, {8, 32, 313, 316}},
                       {form2::Command2, {240, 376, 81, 49}},
                       {form2::Text1, {8, 400, 209, 25}},
                       {form2::Label1, {16, 8, 281, 17}},
                   },
                   334, 435);
}

TEST(Layout, FrameChildrenScaleWithTheirFrame) {
  // Text2 sits 240 twips into Frame2 at (120, 1800): 360, 2040 twips.
  PixelRect r = control_rect(form1_layout(), form1::Text2, 120, 144);
  EXPECT_EQ(30, r.left);   // 360 * 120 / 1440
  EXPECT_EQ(204, r.top);   // 2040 * 144 / 1440
  EXPECT_EQ(331, r.width); // 3975 * 120 / 1440 = 331.25
  EXPECT_EQ(29, r.height); // 285 * 144 / 1440 = 28.5, rounded up
}

TEST(Layout, CaptionsAccessKeysAndToolTips) {
  const FormLayout& f1 = form1_layout();
  EXPECT_EQ(std::string("QUARNPAD 0.7"), f1.caption);
  struct Caption {
    int row;
    const char* text;
  };
  const Caption captions[] = {
      {form1::Command1, "&Browse"}, {form1::Command4, "Browse"},
      {form1::Command2, "&Extract all files"}, {form1::Command3, "E&xit"},
      {form1::Command5, "Extract &files"}, {form1::Command6, "&Convert to Iso"},
      {form1::Frame1, "Path to .pdi files:"}, {form1::Frame2, "Destination folder:"},
      {form1::Frame3, "PDI options:"}, {form1::Check1, "Delete PDI-files after processing"},
      {form1::Check2, "Create VIDEO_TS directory"}, {form1::Check3, "Minimize quarnex when processing"},
  };
  for (const Caption& c : captions) EXPECT_EQ(std::string(c.text), f1.controls[c.row].caption);
  EXPECT_EQ(std::string("Choose which pdi-set you wish to open"),
            f1.controls[form1::Text1].tool_tip);
  EXPECT_EQ(std::string("Choose where you want the files to be written"),
            f1.controls[form1::Text2].tool_tip);
  int with_tips = 0;
  for (int i = 0; i < f1.control_count; ++i) with_tips += f1.controls[i].tool_tip != nullptr;
  EXPECT_EQ(2, with_tips);

  const FormLayout& f2 = form2_layout();
  EXPECT_EQ(std::string("List files"), f2.caption);
  EXPECT_EQ(std::string("&Extract file(s)"), f2.controls[form2::Command2].caption);
  EXPECT_EQ(std::string("Text1"), f2.controls[form2::Text1].caption);
  EXPECT_EQ(std::string("Choose which file(s) you want to extract:"),
            f2.controls[form2::Label1].caption);
}

TEST(Layout, ControlsInsideTheirFramesAndWindow) {
  const FormLayout& f1 = form1_layout();
  PixelRect client = client_rect(f1, 96, 96);
  for (int i = 0; i < f1.control_count; ++i) {
    SCOPED_TRACE(f1.controls[i].name);
    PixelRect r = control_rect(f1, i, 96, 96);
    EXPECT_GE(r.left, 0);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.left + r.width, client.width);
    EXPECT_LE(r.top + r.height, client.height);
    int frame = f1.controls[i].container;
    if (frame >= 0) {
      PixelRect fr = control_rect(f1, frame, 96, 96);
      EXPECT_LE(r.left + r.width, fr.left + fr.width);
      EXPECT_LE(r.top + r.height, fr.top + fr.height);
    }
  }
}

}  // namespace
}  // namespace quarnpad
