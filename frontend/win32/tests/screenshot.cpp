#include "screenshot.h"

#include "message_pump.h"
#include "png_writer.h"
#include "program_start.h"

#include <cstdio>

namespace quarnpad {

void show_for_picture(HWND window, int left) {
  SetWindowPos(window, HWND_TOP, left, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  for (int i = 0; i < 10; ++i) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message != WM_QUIT) dispatch_message(&msg);
    }
    Sleep(30);
  }
}

Capture capture_window(HWND window) {
  Capture capture;
  RECT r;
  if (!GetWindowRect(window, &r)) return capture;
  capture.width = r.right - r.left;
  capture.height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, capture.width, capture.height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const unsigned char* bgrx = static_cast<const unsigned char*>(bits);
  capture.rgb.resize(static_cast<std::size_t>(capture.width) * capture.height * 3);
  for (std::size_t i = 0, n = static_cast<std::size_t>(capture.width) * capture.height; i < n; ++i) {
    capture.rgb[i * 3 + 0] = bgrx[i * 4 + 2];
    capture.rgb[i * 3 + 1] = bgrx[i * 4 + 1];
    capture.rgb[i * 3 + 2] = bgrx[i * 4 + 0];
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

bool save_png(const Capture& capture, const std::string& path) {
  std::vector<unsigned char> png = encode_png(capture.width, capture.height, capture.rgb);
  if (png.empty()) return false;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool ok = std::fwrite(png.data(), 1, png.size(), out) == png.size();
  return std::fclose(out) == 0 && ok;
}

std::string screenshot_folder() {
  std::string folder = own_folder() + "\\screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

}  // namespace quarnpad
