// The fixture of the window tests: a fresh front end with a scripted
// platform, its main window loaded as at program start, and ways to use the
// controls as a user would.
#pragma once

#include "app.h"
#include "layout.h"
#include "scripted_platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quarnpad {

class FrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND form1(int row) const { return app_.form1.controls[row]; }
  HWND form2(int row) const { return app_.form2.controls[row]; }

  // The image and destination paths put into the main window's fields.
  void fill(const std::string& image, const std::string& destination);
  // The main window's three check boxes set (nonzero: checked).
  void set_checks(int c1, int c2, int c3);

  // The run of one setting of the check boxes: its command line starts with
  // prefix, its console window is shown as show.
  struct CheckBoxRun {
    int c1, c2, c3;
    const char* prefix;
    int show;
  };
  // For each row: the boxes set, press() done, and the last run started
  // checked against the row (the prefix, then words).
  void expect_check_box_runs(const std::vector<CheckBoxRun>& rows,
                             const std::function<void(const CheckBoxRun&)>& press,
                             const std::string& words);

  // The image E:\a.pdi and the destination D:\out chosen, then "Extract
  // &files" pressed; the scripted list run leaves list as the list file.
  void open_file_picking(const std::string& list);

  Script script_;
  App app_;
};

// Clicks a button (or check box) as a mouse click does.
void click(HWND control);

void set_check(HWND check_box, bool set);

// Types the characters into a text box one by one ("\b" deletes one).
void type_text(HWND text_box, const std::string& text);

// Sends a key press through the message handling of the main loop, to the
// control that has the focus.
void press_key(UINT key);

// Alt with a letter, as the access keys are used.
void press_alt(char letter);

// Selects the entries at the given indices, in the given order, adding
// each to the selection as a Ctrl-click does.
void select_entries(HWND list_box, const std::vector<int>& indices);

// Handles what is waiting in the queue, quit messages included.
void drain_messages();

// Every control of the window sits where the layout puts it at the app's
// dpi, and the client area has the layout's size.
void expect_laid_out(const App& app, const FormWindow& form, const FormLayout& layout);

// The text of a window as a std::string.
std::string text_of(HWND window);

}  // namespace quarnpad
