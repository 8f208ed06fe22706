#include "layout.h"

namespace quarnpad {

namespace {

using K = ControlKind;

const ControlLayout kForm1Controls[form1::kControlCount] = {
    {"Command1", K::kButton, "&Browse", nullptr, -1, 3120, 1080, 1095, 495},
    {"Text1", K::kTextBox, "", "Choose which pdi-set you wish to open", -1, 360, 720, 3975, 285},
    {"Frame1", K::kFrame, "Path to .pdi files:", nullptr, -1, 120, 480, 4455, 1215},
    {"Command2", K::kButton, "&Extract all files", nullptr, -1, 3600, 5280, 975, 615},
    {"Command3", K::kButton, "E&xit", nullptr, -1, 120, 5280, 975, 615},
    {"Command4", K::kButton, "Browse", nullptr, -1, 3120, 2400, 1095, 495},
    {"Frame2", K::kFrame, "Destination folder:", nullptr, -1, 120, 1800, 4455, 1215},
    {"Text2", K::kTextBox, "", "Choose where you want the files to be written", form1::Frame2,
     240, 240, 3975, 285},
    {"Frame3", K::kFrame, "PDI options:", nullptr, -1, 1560, 3120, 1695, 2775},
    {"Check1", K::kCheckBox, "Delete PDI-files after processing", nullptr, form1::Frame3,
     120, 240, 1455, 735},
    {"Command5", K::kButton, "Extract &files", nullptr, -1, 3600, 4560, 975, 615},
    {"Command6", K::kButton, "&Convert to Iso", nullptr, -1, 3600, 3840, 975, 615},
    {"Check2", K::kCheckBox, "Create VIDEO_TS directory", nullptr, form1::Frame3,
     120, 1080, 1455, 615},
    {"Check3", K::kCheckBox, "Minimize quarnex when processing", nullptr, form1::Frame3,
     120, 1920, 1335, 615},
    {"Label1", K::kLabel, "", nullptr, -1, 120, 120, 4455, 255},
};

const ControlLayout kForm2Controls[form2::kControlCount] = {
    {"List1", K::kListBox, "", nullptr, -1, 120, 480, 4695, 4740},
    {"Command2", K::kButton, "&Extract file(s)", nullptr, -1, 3600, 5640, 1215, 735},
    {"Text1", K::kTextBox, "Text1", nullptr, -1, 120, 6000, 3135, 375},
    {"Label1", K::kLabel, "Choose which file(s) you want to extract:", nullptr, -1,
     240, 120, 4215, 255},
};

const FormLayout kForm1 = {"Form1", "QUARNPAD 0.7", 4680, 5970, kForm1Controls,
                         form1::kControlCount};
const FormLayout kForm2 = {"Form2", "List files", 5010, 6525, kForm2Controls,
                         form2::kControlCount};

}  // namespace

const FormLayout& form1_layout() { return kForm1; }
const FormLayout& form2_layout() { return kForm2; }

int twips_to_pixels(int twips, int dpi) {
  long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

PixelRect control_rect(const FormLayout& form, int row, int dpi_x, int dpi_y) {
  const ControlLayout& control = form.controls[row];
  int left = control.left;
  int top = control.top;
  for (int c = control.container; c >= 0; c = form.controls[c].container) {
    left += form.controls[c].left;
    top += form.controls[c].top;
  }
  return PixelRect{twips_to_pixels(left, dpi_x), twips_to_pixels(top, dpi_y),
                   twips_to_pixels(control.width, dpi_x),
                   twips_to_pixels(control.height, dpi_y)};
}

PixelRect client_rect(const FormLayout& form, int dpi_x, int dpi_y) {
  return PixelRect{0, 0, twips_to_pixels(form.client_width, dpi_x),
                   twips_to_pixels(form.client_height, dpi_y)};
}

}  // namespace quarnpad
