// The main window at start, its layout, tool tips and icon, the enabling
// rules and Exit.
#include "front_end_test.h"

#include <commctrl.h>

namespace quarnpad {
namespace {

class Form1Test : public FrontEndTest {
 protected:
  // Whether each of the buttons the path fields enable is enabled.
  void expect_enabled(bool command2, bool command5, bool command6) {
    EXPECT_EQ(command2, IsWindowEnabled(form1(form1::Command2)) != FALSE);
    EXPECT_EQ(command5, IsWindowEnabled(form1(form1::Command5)) != FALSE);
    EXPECT_EQ(command6, IsWindowEnabled(form1(form1::Command6)) != FALSE);
  }
};

TEST_F(Form1Test, CaptionsAsLaidOut) {
  EXPECT_EQ("QUARNPAD 0.7", text_of(app_.form1.window));
  const FormLayout& layout = form1_layout();
  for (int row = 0; row < layout.control_count; ++row) {
    SCOPED_TRACE(layout.controls[row].name);
    EXPECT_EQ(layout.controls[row].caption, text_of(form1(row)));
  }
}

TEST_F(Form1Test, StartState) {
  EXPECT_TRUE(IsWindowVisible(app_.form1.window));
  EXPECT_EQ("", text_of(form1(form1::Text1)));
  EXPECT_EQ("", text_of(form1(form1::Text2)));
  for (int row : {form1::Check1, form1::Check2, form1::Check3}) {
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(form1(row), BM_GETCHECK, 0, 0));
    EXPECT_TRUE(IsWindowEnabled(form1(row)));
  }
  expect_enabled(false, false, false);
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command1)));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command3)));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command4)));
  EXPECT_EQ(form1(form1::Command1), GetFocus());
  EXPECT_EQ(nullptr, app_.form2.window);
  EXPECT_TRUE(script_.starts.empty());
}

TEST_F(Form1Test, ControlsWhereTheLayoutPutsThem) {
  expect_laid_out(app_, app_.form1, form1_layout());
}

TEST_F(Form1Test, At96DpiTheClientAreaIs312By398) {
  if (app_.dpi_x != 96 || app_.dpi_y != 96) GTEST_SKIP() << "display is not at 96 dpi";
  RECT client;
  GetClientRect(app_.form1.window, &client);
  EXPECT_EQ(312, client.right);
  EXPECT_EQ(398, client.bottom);
}

TEST_F(Form1Test, ToolTipsOfTheTextBoxes) {
  ASSERT_NE(nullptr, app_.form1.tool_tip);
  EXPECT_EQ(2, SendMessageA(app_.form1.tool_tip, TTM_GETTOOLCOUNT, 0, 0));
  struct Row {
    int row;
    const char* tip;
  };
  const Row rows[] = {{form1::Text1, "Choose which pdi-set you wish to open"},
                      {form1::Text2, "Choose where you want the files to be written"}};
  for (const Row& row : rows) {
    char text[128] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = app_.form1.window;
    tool.uId = reinterpret_cast<UINT_PTR>(form1(row.row));
    tool.lpszText = text;
    SendMessageA(app_.form1.tool_tip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(row.tip, text);
  }
}

TEST_F(Form1Test, IconIs32By32WithTwentyFourBitColour) {
  HRSRC group = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(nullptr, group);
  const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
  ASSERT_NE(nullptr, dir);
  EXPECT_EQ(1, dir[4] | (dir[5] << 8));  // one image
  EXPECT_EQ(32, dir[6]);                 // width
  EXPECT_EQ(32, dir[7]);                 // height
  EXPECT_EQ(24, dir[12] | (dir[13] << 8));  // bits per pixel
  EXPECT_NE(nullptr, reinterpret_cast<HICON>(GetClassLongPtrA(app_.form1.window, GCLP_HICON)));
}

TEST_F(Form1Test, TypingIntoText2EnablesAllThreeEvenWithText1Empty) {
  type_text(form1(form1::Text2), "x");
  expect_enabled(true, true, true);
  type_text(form1(form1::Text2), "\b");
  EXPECT_EQ("", text_of(form1(form1::Text2)));
  expect_enabled(true, true, true);
}

TEST_F(Form1Test, TypingIntoText1EnablesCommand6Only) {
  type_text(form1(form1::Text1), "E:\\a.pdi");
  EXPECT_EQ("E:\\a.pdi", text_of(form1(form1::Text1)));
  expect_enabled(false, false, true);
}

TEST_F(Form1Test, TextSetByTheProgramRunsTheChangeEventToo) {
  SetWindowTextA(form1(form1::Text2), "D:\\out");
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command2)));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command5)));
}

TEST_F(Form1Test, ExitEndsAtOnceWithoutAQuestion) {
  type_text(form1(form1::Text2), "D:\\out");
  click(form1(form1::Command3));
  EXPECT_EQ(1, script_.quits);
  EXPECT_TRUE(script_.messages.empty());
  EXPECT_TRUE(script_.starts.empty());
}

TEST_F(Form1Test, ClosingTheOnlyWindowEndsTheProgram) {
  SendMessageA(app_.form1.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(nullptr, app_.form1.window);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace quarnpad
