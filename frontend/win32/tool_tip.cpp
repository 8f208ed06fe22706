#include "tool_tip.h"

#include "controls.h"
#include "wide_text.h"

#include <commctrl.h>

namespace quarnpad {

namespace {

// Blank pixels the tip keeps on either side of its text.
const int kTipTextMargin = 2;

LRESULT CALLBACK tool_tip_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                               UINT_PTR, DWORD_PTR) {
  if (message == WM_WINDOWPOSCHANGING) {
    WINDOWPOS* pos = reinterpret_cast<WINDOWPOS*>(lparam);
    std::string text = (pos->flags & SWP_NOSIZE) ? std::string() : control_text(window);
    if (!text.empty()) {
      RECT frame = {0, 0, 0, 0};
      AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
      int needed = drawn_text_width(window, text) + 2 * kTipTextMargin + (frame.right - frame.left);
      if (pos->cx < needed) pos->cx = needed;
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, tool_tip_proc, 0);
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

void keep_tool_tip_wide_enough(HWND tool_tip) {
  SetWindowSubclass(tool_tip, tool_tip_proc, 0, 0);
}

int drawn_text_width(HWND window, const std::string& text) {
  HDC screen = GetDC(window);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  std::wstring shown = wide(text);
  RECT extent = {0, 0, 0, 0};
  DrawTextW(dc, shown.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  // Room to the right for whatever inks past the extent.
  int width = extent.right + extent.bottom * 2 + 8;
  int height = extent.bottom > 0 ? extent.bottom : 1;
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  RECT all = {0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, shown.c_str(), -1, &all, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  int inked = 0;
  for (int x = width - 1; x >= 0 && inked == 0; --x) {
    for (int y = 0; y < height; ++y) {
      if (GetPixel(dc, x, y) != RGB(255, 255, 255)) {
        inked = x + 1;
        break;
      }
    }
  }
  SelectObject(dc, old_bitmap);
  SelectObject(dc, old_font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(window, screen);
  return inked > extent.right ? inked : static_cast<int>(extent.right);
}

}  // namespace quarnpad
