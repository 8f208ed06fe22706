// What the two windows hold and where, in twips (1/1440 inch; 15 twips are
// one pixel at 96 dpi). Rows are in tab order, so creating the controls row
// by row gives the tab order; a row's position is relative to its container.
#pragma once

namespace quarnpad {

enum class ControlKind { kButton, kTextBox, kFrame, kCheckBox, kListBox, kLabel };

struct ControlLayout {
  const char* name;       // Command1, Text1, ...
  ControlKind kind;
  const char* caption;    // "&" marks the access key; empty for text boxes
  const char* tool_tip;   // nullptr when the control has none
  int container;          // row of the frame it sits in, or -1 for the window
  int left, top, width, height;
};

struct FormLayout {
  const char* name;
  const char* caption;
  int client_width, client_height;
  const ControlLayout* controls;
  int control_count;
};

namespace form1 {
// Rows of the main window, in tab order.
enum Control {
  Command1, Text1, Frame1, Command2, Command3, Command4, Frame2, Text2, Frame3,
  Check1, Command5, Command6, Check2, Check3,
  Label1,  // how the last run of quarnex went; takes no focus
  kControlCount
};
}  // namespace form1

namespace form2 {
// Rows of the file-picking window, in tab order.
enum Control { List1, Command2, Text1, Label1, kControlCount };
}  // namespace form2

const FormLayout& form1_layout();
const FormLayout& form2_layout();

struct PixelRect {
  int left, top, width, height;
};

// Twips to pixels at dpi dots per inch, rounded to the nearest pixel.
int twips_to_pixels(int twips, int dpi);

// A control's rectangle relative to the window's client area: frame offsets
// resolved, then scaled.
PixelRect control_rect(const FormLayout& form, int row, int dpi_x, int dpi_y);

// The window's client area in pixels.
PixelRect client_rect(const FormLayout& form, int dpi_x, int dpi_y);

}  // namespace quarnpad
