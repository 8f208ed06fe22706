// Tool tips wide enough for their text as it is really drawn.
#pragma once

#include <windows.h>

#include <string>

namespace quarnpad {

// Makes the tool-tip window widen itself, whenever it sizes itself, to the
// width its text takes when drawn. Some fonts ink past the extent they
// report (under Wine the stand-in for the dialog font does, by a few pixels
// on a line), and a tip sized by that extent cuts its last letters.
void keep_tool_tip_wide_enough(HWND tool_tip);

// The width in pixels from the left edge to the last column that drawing
// text in the window's font inks, or the reported extent when wider.
int drawn_text_width(HWND window, const std::string& text);

}  // namespace quarnpad
