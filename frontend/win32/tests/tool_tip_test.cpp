// The tool tips of the two text boxes: their whole text, and a window wide
// enough to show all of it in the font the tip draws with.
#include "front_end_test.h"

#include "screenshot.h"

#include <commctrl.h>

#include <string>

namespace quarnpad {
namespace {

struct InkSpan {
  int first = -1;  // first and last column with a dark pixel
  int last = -1;
  int width() const { return first < 0 ? 0 : last - first + 1; }
};

bool dark(unsigned char r, unsigned char g, unsigned char b) { return r + g + b < 3 * 128; }

// Dark columns of a capture, inside a border of one pixel.
InkSpan shown_span(const Capture& capture) {
  InkSpan span;
  for (int x = 1; x + 1 < capture.width; ++x) {
    for (int y = 1; y + 1 < capture.height; ++y) {
      const unsigned char* p = &capture.rgb[(static_cast<std::size_t>(y) * capture.width + x) * 3];
      if (dark(p[0], p[1], p[2])) {
        if (span.first < 0) span.first = x;
        span.last = x;
        break;
      }
    }
  }
  return span;
}

// Dark columns of the text drawn black on white, unclipped, in the font the
// window uses.
InkSpan reference_span(HWND window, const std::string& text) {
  const int width = 1000, height = 60;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
  RECT all = {0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, 10, 10, text.c_str(), static_cast<int>(text.size()));
  InkSpan span;
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      COLORREF c = GetPixel(dc, x, y);
      if (dark(GetRValue(c), GetGValue(c), GetBValue(c))) {
        if (span.first < 0) span.first = x;
        span.last = x;
        break;
      }
    }
  }
  SelectObject(dc, old_font);
  SelectObject(dc, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return span;
}

// Waits (handling messages) until the tip window is shown, up to 5 s.
bool wait_until_visible(HWND tip) {
  for (int i = 0; i < 100 && !IsWindowVisible(tip); ++i) {
    drain_messages();
    Sleep(50);
  }
  for (int i = 0; i < 6; ++i) {  // let it paint
    drain_messages();
    Sleep(50);
  }
  return IsWindowVisible(tip) != FALSE;
}

using ToolTipTest = FrontEndTest;

TEST_F(ToolTipTest, WholeTextInAWindowWideEnough) {
  struct Row {
    int control;
    const char* text;
    const char* picture;
  };
  const Row rows[] = {
      {form1::Text1, "Choose which pdi-set you wish to open", "tool_tip_text1.png"},
      {form1::Text2, "Choose where you want the files to be written", "tool_tip_text2.png"},
  };
  HWND tip = app_.form1.tool_tip;
  ASSERT_NE(nullptr, tip);
  show_for_picture(app_.form1.window, 40);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    HWND control = form1(row.control);
    char text[256] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = app_.form1.window;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    SendMessageA(tip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(row.text, std::string(text));

    // The mouse comes to rest over the box; the tip appears.
    SendMessageA(tip, TTM_POP, 0, 0);
    RECT box;
    GetWindowRect(control, &box);
    POINT at = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    SetCursorPos(at.x, at.y);
    POINT in_box = at;
    ScreenToClient(control, &in_box);
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(in_box.x, in_box.y));
    ASSERT_TRUE(wait_until_visible(tip)) << "the tip did not appear";

    Capture picture = capture_window(tip);
    save_png(picture, screenshot_folder() + "\\" + row.picture);
    InkSpan reference = reference_span(tip, row.text);
    InkSpan shown = shown_span(picture);
    ASSERT_GT(reference.width(), 100);
    // Every column the text inks is on the screen, with blank room on the right.
    EXPECT_EQ(reference.width(), shown.width()) << "the tip cuts its text";
    RECT client;
    GetClientRect(tip, &client);
    EXPECT_GE(client.right - client.left, reference.width() + 2);
    EXPECT_LT(shown.last, picture.width - 2);
    SendMessageA(tip, TTM_POP, 0, 0);
  }
}

}  // namespace
}  // namespace quarnpad
