// Pictures of both windows for a person to look at, saved in the build
// tree as screenshots/form1.png and screenshots/form2.png.
#include "front_end_test.h"

#include "screenshot.h"

#include <set>

namespace quarnpad {
namespace {

std::size_t colour_count(const Capture& capture) {
  std::set<unsigned> colours;
  for (std::size_t i = 0; i + 2 < capture.rgb.size(); i += 3) {
    colours.insert(capture.rgb[i] << 16 | capture.rgb[i + 1] << 8 | capture.rgb[i + 2]);
  }
  return colours.size();
}

void save_and_check(HWND window, const char* name, int left) {
  show_for_picture(window, left);
  Capture capture = capture_window(window);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, capture.width);
  EXPECT_EQ(r.bottom - r.top, capture.height);
  EXPECT_GT(colour_count(capture), 4u) << "the capture shows no window";
  std::string path = screenshot_folder() + "\\" + name;
  EXPECT_TRUE(save_png(capture, path)) << path;
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
  std::printf("screenshot: %s\n", path.c_str());
}

using ScreenshotTest = FrontEndTest;

TEST_F(ScreenshotTest, BothWindows) {
  SetWindowTextA(form1(form1::Text1), "C:\\dvd\\movie.pdi");
  SetWindowTextA(form1(form1::Text2), "D:\\out");
  set_check(form1(form1::Check2), true);
  SetFocus(form1(form1::Command1));
  save_and_check(app_.form1.window, "form1.png", 40);

  script_.run_writes[script_.temp_folder + "pdilist.txt"] =
      "VIDEO_TS.IFO;1 12288\r\nVIDEO_TS.BUP;1 12288\r\nVTS_01_0.IFO;1 12288\r\n"
      "VTS_01_0.BUP;1 12288\r\nVTS_01_1.VOB;1 1073709056\r\nVTS_01_2.VOB;1 1073709056\r\n";
  click(form1(form1::Command5));
  ASSERT_NE(nullptr, app_.form2.window);
  select_entries(form2(form2::List1), {0, 4});
  click(form2(form2::Command2));
  save_and_check(app_.form2.window, "form2.png", 400);
}

}  // namespace
}  // namespace quarnpad
