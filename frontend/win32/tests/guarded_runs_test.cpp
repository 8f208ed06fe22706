// What keeps a run from doing what the user did not choose: path fields
// that hold a double quote are refused, closing during a run asks and
// stops quarnex, the fields wait during a run, and a set handed to the
// program fills the path field.
#include "front_end_test.h"

#include "browse.h"
#include "form1.h"
#include "texts.h"

#include <string>
#include <vector>

namespace quarnpad {
namespace {

class GuardedRunsTest : public FrontEndTest {
 protected:
  bool closed() const { return app_.form1.window == nullptr; }
};

// A quote in either field: refused before anything runs, with a message
// that names the field; surrounding quotes are taken off in the box first.
TEST_F(GuardedRunsTest, QuotesInAFieldAreRefusedBeforeAnythingRuns) {
  struct Row {
    const char* name;
    const char* image;
    const char* destination;
    int button;
    const char* field;  // named in the message; nullptr: the run starts
    const char* image_after;
    const char* destination_after;
  };
  const Row rows[] = {
      {"options in the destination", "E:\\a.pdi", "Z:\\out\\q\" -r -d \"Z:\\out\\q2", form1::Command2,
       kDestinationField, "E:\\a.pdi", "Z:\\out\\q\" -r -d \"Z:\\out\\q2"},
      {"quote in the set's path", "E:\\a\".pdi", "D:\\out", form1::Command2, kImageField,
       "E:\\a\".pdi", "D:\\out"},
      {"list run", "E:\\a\" -r \"b.pdi", "D:\\out", form1::Command5, kImageField,
       "E:\\a\" -r \"b.pdi", "D:\\out"},
      {"conversion", "\"E:\\a\"b.pdi\"", "D:\\out", form1::Command6, kImageField, "E:\\a\"b.pdi",
       "D:\\out"},
      {"copied as path", "\"E:\\my sets\\a.pdi\"", " \"D:\\out\" ", form1::Command2, nullptr,
       "E:\\my sets\\a.pdi", "D:\\out"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fill(row.image, row.destination);
    script_.messages.clear();
    script_.starts.clear();
    script_.save_calls.clear();
    click(form1(row.button));
    EXPECT_EQ(row.image_after, text_of(form1(form1::Text1)));
    EXPECT_EQ(row.destination_after, text_of(form1(form1::Text2)));
    if (row.field == nullptr) {
      ASSERT_EQ(1u, script_.starts.size());
      EXPECT_EQ("quarnex -m \"D:\\out\" \"E:\\my sets\\a.pdi\"", script_.starts[0].command_line);
      EXPECT_TRUE(script_.messages.empty());
      continue;
    }
    EXPECT_TRUE(script_.starts.empty());
    EXPECT_TRUE(script_.save_calls.empty());
    ASSERT_EQ(1u, script_.messages.size());
    EXPECT_NE(std::string::npos, script_.messages[0].text.find(std::string("\"") + row.field + "\""))
        << script_.messages[0].text;
  }
}

TEST_F(GuardedRunsTest, PickedFilesRunRefusesAQuoteToo) {
  open_file_picking("A.IFO;1 2048\r\n");
  ASSERT_NE(nullptr, app_.form2.window);
  SetWindowTextA(form1(form1::Text2), "D:\\out\" -r \"x");
  select_entries(form2(form2::List1), {0});
  script_.messages.clear();
  click(form2(form2::Command2));
  EXPECT_EQ(1u, script_.starts.size());  // the list run only
  ASSERT_EQ(1u, script_.messages.size());
  EXPECT_EQ(quote_in_field_message(kDestinationField), script_.messages[0].text);
  EXPECT_EQ(app_.form2.window, script_.messages[0].owner);
}

// The root of a drive picked in the folder dialog stays the root, and
// reaches quarnex as that word.
TEST_F(GuardedRunsTest, DriveRootKeepsItsBackslash) {
  script_.folder_answers.push_back({true, true, "C:\\"});
  click(form1(form1::Command4));
  EXPECT_EQ("C:\\", text_of(form1(form1::Text2)));
  SetWindowTextA(form1(form1::Text1), "E:\\a.pdi");
  click(form1(form1::Command2));
  EXPECT_EQ("C:\\", text_of(form1(form1::Text2)));
  ASSERT_EQ(1u, script_.starts.size());
  EXPECT_EQ("quarnex -m \"C:\\\\\" \"E:\\a.pdi\"", script_.starts[0].command_line);
}

// Closing during a run asks, No (the default) keeping the window and the
// run; Yes stops quarnex, tells which output is left incomplete and ends
// the program. The window's close box and "E&xit" ask alike.
TEST_F(GuardedRunsTest, ClosingDuringARunAsksAndYesStopsQuarnex) {
  struct Row {
    const char* name;
    bool exit_button;
    int answer;
    bool still_going;  // stop_run finds the run going
    const char* told;  // after the run; nullptr: the usual end
  };
  const std::string progress = "writing D:\\out\\A.VOB (4 extents) ..\r\nwriting D:\\out\\B.VOB (9 extents) .";
  const std::string stopped = stopped_message(progress);
  const Row rows[] = {
      {"close box, No", false, IDNO, true, nullptr},
      {"Exit, No", true, IDNO, true, nullptr},
      {"close box, Yes", false, IDYES, true, stopped.c_str()},
      {"Exit, Yes", true, IDYES, true, stopped.c_str()},
      {"Yes, but it had ended", false, IDYES, false, kEndedBeforeStop},
  };
  EXPECT_NE(std::string::npos, stopped.find("D:\\out\\B.VOB")) << stopped;
  EXPECT_EQ(std::string::npos, stopped.find("A.VOB")) << stopped;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (&row != &rows[0]) {  // a fresh program for each
      TearDown();
      script_ = Script();
      SetUp();
    }
    fill("E:\\a.pdi", "D:\\out");
    script_.message_answers.push_back(row.answer);
    script_.stop_ends_run = row.still_going;
    script_.run_error_outputs.push_back(progress);
    script_.during_wait = [&] {
      if (row.exit_button) click(form1(form1::Command3));
      else SendMessageA(app_.form1.window, WM_CLOSE, 0, 0);
    };
    click(form1(form1::Command2));
    ASSERT_GE(script_.messages.size(), 1u);
    EXPECT_EQ(kStillRunningQuestion, script_.messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), script_.messages[0].type);
    EXPECT_FALSE(closed());  // the main window stays until the end is told
    if (row.answer == IDNO) {
      EXPECT_TRUE(script_.stops.empty());
      EXPECT_EQ(0, script_.quits);
      EXPECT_EQ(1u, script_.messages.size());
      EXPECT_EQ(kDoneStatus, text_of(form1(form1::Label1)));
      continue;
    }
    ASSERT_EQ(1u, script_.stops.size());
    EXPECT_EQ(script_.handed_out.back(), script_.stops[0]);
    ASSERT_EQ(2u, script_.messages.size());
    EXPECT_EQ(row.told, script_.messages[1].text);
    EXPECT_EQ(1, script_.quits);
  }
}

// A run started with no output begun: said so.
TEST_F(GuardedRunsTest, StoppedBeforeAnyOutput) {
  EXPECT_EQ("quarnex was stopped before it wrote any output.", stopped_message("'quarnex' '-gb'\r\n"));
  EXPECT_NE(std::string::npos, stopped_message("writing D:\\o\\A.VOB (4 extents) ..\r\n").find("complete"));
}

// During a run the fields, the check boxes and the Browse buttons wait with
// the action buttons; Exit stays, to stop the run. Afterwards all are back.
TEST_F(GuardedRunsTest, FieldsAndBrowseButtonsWaitDuringARun) {
  fill("E:\\a.pdi", "D:\\out");
  const int waiting[] = {form1::Text1, form1::Text2, form1::Command1, form1::Command4,
                         form1::Check1, form1::Check2, form1::Check3};
  std::vector<int> enabled_during;
  script_.during_wait = [&] {
    for (int row : waiting) {
      if (IsWindowEnabled(form1(row))) enabled_during.push_back(row);
    }
    EXPECT_TRUE(IsWindowEnabled(form1(form1::Command3)));
    SetFocus(form1(form1::Command1));
    press_key(VK_SPACE);
    click(form1(form1::Command1));
    click(form1(form1::Command4));
    std::vector<std::string> dropped = {"Z:\\other.pdi"};
    script_.drops.push_back(dropped);
    SendMessageA(app_.form1.window, WM_DROPFILES, 0x1234, 0);
  };
  click(form1(form1::Command2));
  EXPECT_TRUE(enabled_during.empty());
  EXPECT_TRUE(script_.open_calls.empty());
  EXPECT_TRUE(script_.folder_calls.empty());
  EXPECT_EQ("E:\\a.pdi", text_of(form1(form1::Text1)));  // the drop waited too
  for (int row : waiting) EXPECT_TRUE(IsWindowEnabled(form1(row))) << row;
}

// A ".pdi" dropped on the main window, or named on the program's command
// line, fills the path field as "&Browse" does; other files are passed
// over; with no argument the window stays as it starts.
TEST_F(GuardedRunsTest, ASetHandedToTheProgramFillsThePathField) {
  script_.drops.push_back({"Z:\\notes.txt", "Z:\\sets\\example.PDI", "Z:\\b.pdi"});
  SendMessageA(app_.form1.window, WM_DROPFILES, 0x1234, 0);
  ASSERT_EQ(1u, script_.drops_finished.size());
  EXPECT_EQ(reinterpret_cast<HDROP>(0x1234), script_.drops_finished[0]);
  EXPECT_EQ("Z:\\sets\\example.PDI", text_of(form1(form1::Text1)));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command6)));  // the change event ran

  script_.drops.push_back({"Z:\\sets\\example.pdi01"});
  SendMessageA(app_.form1.window, WM_DROPFILES, 0x1235, 0);
  EXPECT_EQ("Z:\\sets\\example.PDI", text_of(form1(form1::Text1)));

  open_set_from_command_line(&app_, L"Quarnpad.exe");
  EXPECT_EQ("Z:\\sets\\example.PDI", text_of(form1(form1::Text1)));
  open_set_from_command_line(&app_, L"\"C:\\Program Files\\Quarnpad.exe\" \"Z:\\my sets\\a.pdi\"");
  EXPECT_EQ("Z:\\my sets\\a.pdi", text_of(form1(form1::Text1)));
  open_set_from_command_line(&app_, L"Quarnpad.exe Z:\\\x041f\x0430\x043f\x043a\x0430\\a.pdi");
  EXPECT_EQ("Z:\\\xd0\x9f\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0\\a.pdi", text_of(form1(form1::Text1)));
  EXPECT_TRUE(script_.starts.empty());
}

}  // namespace
}  // namespace quarnpad
