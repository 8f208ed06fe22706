// Tab order and access keys of both windows.
#include "front_end_test.h"

#include <string>
#include <vector>

namespace quarnpad {
namespace {

class KeyboardTest : public FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    SetForegroundWindow(app_.form1.window);
    SetFocus(form1(form1::Command1));
  }

  // The rows the focus visits, starting where it is, count tab presses.
  std::vector<int> tab_walk(const FormWindow& form, int rows, int count, UINT key = VK_TAB) {
    std::vector<int> visited;
    for (int i = 0; i < count; ++i) {
      press_key(key);
      HWND focus = GetFocus();
      int found = -1;
      for (int row = 0; row < rows; ++row) {
        if (form.controls[row] == focus) found = row;
      }
      visited.push_back(found);
    }
    return visited;
  }
};

TEST_F(KeyboardTest, TabWalksTheTabOrderPassingOverFramesAndDisabledButtons) {
  ASSERT_EQ(form1(form1::Command1), GetFocus());
  using namespace form1;
  EXPECT_EQ((std::vector<int>{Text1, Command3, Command4, Text2, Check1, Check2, Check3, Command1}),
            tab_walk(app_.form1, kControlCount, 8));
}

TEST_F(KeyboardTest, TabWalkWithEveryButtonEnabled) {
  SetWindowTextA(form1(form1::Text2), "D:\\out");
  SetFocus(form1(form1::Command1));
  using namespace form1;
  EXPECT_EQ((std::vector<int>{Text1, Command2, Command3, Command4, Text2, Check1, Command5,
                              Command6, Check2, Check3, Command1}),
            tab_walk(app_.form1, kControlCount, 11));
}

TEST_F(KeyboardTest, AltXExits) {
  press_alt('x');
  EXPECT_EQ(1, script_.quits);
}

TEST_F(KeyboardTest, AccessKeysOfDisabledButtonsDoNothing) {
  press_alt('e');
  press_alt('f');
  press_alt('c');
  EXPECT_TRUE(script_.starts.empty());
  EXPECT_TRUE(script_.save_calls.empty());
}

TEST_F(KeyboardTest, AccessKeysPressTheirButtons) {
  press_alt('b');
  EXPECT_EQ(1u, script_.open_calls.size());
  SetWindowTextA(form1(form1::Text1), "E:\\a.pdi");
  SetWindowTextA(form1(form1::Text2), "D:\\out");
  SetFocus(form1(form1::Command1));
  press_alt('e');
  ASSERT_EQ(1u, script_.starts.size());
  EXPECT_EQ("quarnex -m \"D:\\out\" \"E:\\a.pdi\"", script_.starts[0].command_line);
  SetFocus(form1(form1::Command1));
  press_alt('C');
  EXPECT_EQ(1u, script_.save_calls.size());
  script_.run_writes[script_.temp_folder + "pdilist.txt"] = "A.IFO;1 2048\r\n";
  SetFocus(form1(form1::Command1));
  press_alt('f');
  EXPECT_EQ(2u, script_.starts.size());
  EXPECT_NE(nullptr, app_.form2.window);
}

TEST_F(KeyboardTest, SpaceSetsTheFocusedCheckBox) {
  SetFocus(form1(form1::Check2));
  press_key(VK_SPACE);  // key down and key up
  EXPECT_EQ(BST_CHECKED, SendMessageA(form1(form1::Check2), BM_GETCHECK, 0, 0));
}

TEST_F(KeyboardTest, Form2TabOrderAndAccessKey) {
  open_file_picking("A.IFO;1 2048\r\nB.VOB;1 4096\r\n");
  ASSERT_NE(nullptr, app_.form2.window);
  SetForegroundWindow(app_.form2.window);
  SetFocus(form2(form2::List1));
  using namespace form2;
  EXPECT_EQ((std::vector<int>{Command2, Text1, List1}), tab_walk(app_.form2, kControlCount, 3));
  SendMessageA(form2(form2::List1), LB_SETSEL, TRUE, 1);
  press_alt('e');
  ASSERT_EQ(2u, script_.starts.size());
  EXPECT_EQ("quarnex -m \"D:\\out\" \"E:\\a.pdi\" B.VOB;1", script_.starts[1].command_line);
}

// Enter presses "&Extract file(s)" wherever the focus is in Form2; Escape
// closes Form2 and starts nothing. On the main window both keys do nothing.
TEST_F(KeyboardTest, Form2EnterExtractsAndEscapeCloses) {
  open_file_picking("A.IFO;1 2048\r\nB.VOB;1 4096\r\n");
  ASSERT_NE(nullptr, app_.form2.window);
  SetForegroundWindow(app_.form2.window);
  SendMessageA(form2(form2::List1), LB_SETSEL, TRUE, 1);
  for (int row : {form2::List1, form2::Command2, form2::Text1}) {
    SCOPED_TRACE(row);
    SetFocus(form2(row));
    std::size_t before = script_.starts.size();
    press_key(VK_RETURN);
    ASSERT_EQ(before + 1, script_.starts.size());
    EXPECT_EQ("quarnex -m \"D:\\out\" \"E:\\a.pdi\" B.VOB;1", script_.starts.back().command_line);
  }
  // Enter with nothing selected asks for a choice, as the button does.
  SendMessageA(form2(form2::List1), LB_SETSEL, FALSE, -1);
  SetFocus(form2(form2::List1));
  press_key(VK_RETURN);
  EXPECT_EQ(4u, script_.starts.size());
  EXPECT_EQ(1u, script_.messages.size());

  SetFocus(form2(form2::List1));
  press_key(VK_ESCAPE);
  EXPECT_EQ(nullptr, app_.form2.window);
  EXPECT_EQ(4u, script_.starts.size());
  EXPECT_NE(nullptr, app_.form1.window);

  SetForegroundWindow(app_.form1.window);
  SetFocus(form1(form1::Text1));
  press_key(VK_RETURN);
  press_key(VK_ESCAPE);
  EXPECT_NE(nullptr, app_.form1.window);
  EXPECT_EQ(4u, script_.starts.size());
  EXPECT_EQ(0, script_.quits);
}

TEST_F(KeyboardTest, Form2ExtractIsTheDefaultButton) {
  open_file_picking("A.IFO;1 2048\r\n");
  ASSERT_NE(nullptr, app_.form2.window);
  EXPECT_TRUE(GetWindowLongA(form2(form2::Command2), GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_FALSE(GetWindowLongA(form1(form1::Command2), GWL_STYLE) & BS_DEFPUSHBUTTON);
}

}  // namespace
}  // namespace quarnpad
