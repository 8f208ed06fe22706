// Saves what a window looks like on the screen as a PNG file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quarnpad {

struct Capture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // top row first
};

// Puts the window on top at (left, 40) and lets it and its controls paint.
void show_for_picture(HWND window, int left);

// The window with its frame, as the screen shows it now.
Capture capture_window(HWND window);

// Writes the capture as PNG; false when it cannot be written.
bool save_png(const Capture& capture, const std::string& path);

// The folder of the screenshots in the build tree (made when missing).
std::string screenshot_folder();

}  // namespace quarnpad
