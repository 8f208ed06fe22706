// "Extract &files", the file-picking window and "&Extract file(s)".
#include "front_end_test.h"

#include "controls.h"
#include "list_path.h"
#include "program_start.h"
#include "texts.h"

#include <string>

namespace quarnpad {
namespace {

const char kList[] =
    "VIDEO_TS.IFO;1 12288\r\nVIDEO_TS.BUP;1 12288\r\nVTS_01_0.IFO;1 12288\r\n"
    "VTS_01_0.BUP;1 12288\r\nVTS_01_1.VOB;1 1073709056\r\n";

class FilePickingTest : public FrontEndTest {
 protected:
  std::string list_file() const { return script_.temp_folder + "pdilist.txt"; }

  // Image and destination chosen, the list file as the list run leaves it.
  void prepare(const std::string& image, const std::string& destination,
               const std::string& list = kList) {
    fill(image, destination);
    script_.run_writes[list_file()] = list;
  }
};

TEST_F(FilePickingTest, ListRunThenTheWindowFillsFromTheListFile) {
  prepare("C:\\dvd\\movie.pdi", "D:\\out");
  click(form1(form1::Command5));
  ASSERT_EQ(1u, script_.starts.size());
  EXPECT_EQ("quarnex -gb \"C:\\scripted temp\\pdilist.txt\" \"C:\\dvd\\movie.pdi\"",
            script_.starts[0].command_line);
  EXPECT_EQ(SW_SHOWMINIMIZED, script_.starts[0].show_state);
  ASSERT_EQ(1u, script_.waits.size());
  EXPECT_EQ(script_.handed_out[0], script_.waits[0]);  // waited for that very run
  ASSERT_EQ(1u, script_.reads.size());
  EXPECT_EQ("C:\\scripted temp\\pdilist.txt", script_.reads[0]);

  ASSERT_NE(nullptr, app_.form2.window);
  EXPECT_TRUE(IsWindowVisible(app_.form2.window));
  EXPECT_EQ(nullptr, GetWindow(app_.form2.window, GW_OWNER));  // no owner, not modal
  EXPECT_TRUE(IsWindowEnabled(app_.form1.window));
  EXPECT_EQ("List files", text_of(app_.form2.window));
  EXPECT_EQ("&Extract file(s)", text_of(form2(form2::Command2)));
  EXPECT_EQ("Text1", text_of(form2(form2::Text1)));
  EXPECT_EQ("Choose which file(s) you want to extract:", text_of(form2(form2::Label1)));
  EXPECT_EQ((std::vector<std::string>{"VIDEO_TS.IFO;1 12288", "VIDEO_TS.BUP;1 12288",
                                      "VTS_01_0.IFO;1 12288", "VTS_01_0.BUP;1 12288",
                                      "VTS_01_1.VOB;1 1073709056"}),
            list_entries(form2(form2::List1)));
  EXPECT_TRUE(script_.messages.empty());
}

TEST_F(FilePickingTest, Form2LaidOutFromItsTable) {
  prepare("C:\\dvd\\movie.pdi", "D:\\out");
  click(form1(form1::Command5));
  ASSERT_NE(nullptr, app_.form2.window);
  expect_laid_out(app_, app_.form2, form2_layout());
  LONG style = GetWindowLongA(form2(form2::List1), GWL_STYLE);
  EXPECT_TRUE(style & LBS_EXTENDEDSEL);
  EXPECT_FALSE(style & LBS_SORT);
}

TEST_F(FilePickingTest, ListRunMinimisedWhateverCheck3AndDriveRootKept) {
  for (int check3 : {0, 1}) {
    set_check(form1(form1::Check3), check3 != 0);
    prepare("E:\\a.pdi", "E:\\");
    click(form1(form1::Command5));
    EXPECT_EQ(SW_SHOWMINIMIZED, script_.starts.back().show_state);
    EXPECT_EQ("E:\\", text_of(form1(form1::Text2)));
  }
}

TEST_F(FilePickingTest, WorkedExample) {
  prepare("C:\\dvd\\movie.pdi", "D:\\out");
  set_check(form1(form1::Check2), true);
  click(form1(form1::Command5));
  select_entries(form2(form2::List1), {4, 0});  // clicked in the other order
  click(form2(form2::Command2));
  ASSERT_EQ(2u, script_.starts.size());
  EXPECT_EQ("quarnex -v -m \"D:\\out\" \"C:\\dvd\\movie.pdi\" VIDEO_TS.IFO;1 VTS_01_1.VOB;1",
            script_.starts[1].command_line);
  EXPECT_EQ(SW_SHOWMAXIMIZED, script_.starts[1].show_state);
  EXPECT_EQ(" VIDEO_TS.IFO;1 VTS_01_1.VOB;1", text_of(form2(form2::Text1)));
  // The window stays open with its selection.
  EXPECT_TRUE(IsWindowVisible(app_.form2.window));
  EXPECT_EQ(2, SendMessageA(form2(form2::List1), LB_GETSELCOUNT, 0, 0));
  ASSERT_EQ(2u, script_.waits.size());  // the selected-files run is waited for too
  EXPECT_EQ(script_.handed_out[1], script_.waits[1]);
}

TEST_F(FilePickingTest, SelectedFilesCheckBoxes) {
  prepare("C:\\dvd\\movie.pdi", "D:\\out");
  click(form1(form1::Command5));
  select_entries(form2(form2::List1), {2});
  // Each box on its own and all together: the boxes reach the right
  // options (every row of the table is checked in the core tests).
  expect_check_box_runs({{0, 0, 0, "quarnex -m ", SW_SHOWMAXIMIZED},
                         {1, 0, 0, "quarnex -r -m ", SW_SHOWMAXIMIZED},
                         {0, 1, 0, "quarnex -v -m ", SW_SHOWMAXIMIZED},
                         {0, 0, 1, "quarnex -m ", SW_SHOWMINNOACTIVE},
                         {1, 1, 1, "quarnex -r -v -m ", SW_SHOWMINNOACTIVE}},
                        [this](const CheckBoxRun& row) {
                          // delete after a partial pick
                          if (row.c1 != 0) script_.message_answers.push_back(IDYES);
                          click(form2(form2::Command2));
                        },
                        "\"D:\\out\" \"C:\\dvd\\movie.pdi\" VTS_01_0.IFO;1");
}

TEST_F(FilePickingTest, NamesInListOrderWhateverTheClickOrder) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  const std::vector<std::vector<int>> orders = {{0, 2, 3}, {3, 2, 0}, {2, 0, 3}};
  for (const std::vector<int>& order : orders) {
    SendMessageA(form2(form2::List1), LB_SETSEL, FALSE, -1);
    select_entries(form2(form2::List1), order);
    click(form2(form2::Command2));
    EXPECT_EQ("quarnex -m \"D:\\out\" \"E:\\a.pdi\" VIDEO_TS.IFO;1 VTS_01_0.IFO;1 VTS_01_0.BUP;1",
              script_.starts.back().command_line);
  }
}

// No file words would extract every file: nothing is started, a message
// asks for a choice, and the window stays as it was.
TEST_F(FilePickingTest, NothingSelectedStartsNothing) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  select_entries(form2(form2::List1), {1});
  click(form2(form2::Command2));
  ASSERT_EQ(2u, script_.starts.size());
  SendMessageA(form2(form2::List1), LB_SETSEL, FALSE, -1);  // every entry deselected
  click(form2(form2::Command2));
  EXPECT_EQ(2u, script_.starts.size());
  ASSERT_EQ(1u, script_.messages.size());
  EXPECT_EQ(kNothingSelectedMessage, script_.messages[0].text);
  EXPECT_NE(std::string::npos, script_.messages[0].text.find("elect one or more files"));
  EXPECT_EQ("Quarnpad", script_.messages[0].caption);
  EXPECT_EQ(app_.form2.window, script_.messages[0].owner);
  EXPECT_EQ(" VIDEO_TS.BUP;1", text_of(form2(form2::Text1)));  // from the earlier press
  EXPECT_TRUE(IsWindowVisible(app_.form2.window));
  // A choice made afterwards is extracted.
  select_entries(form2(form2::List1), {4});
  click(form2(form2::Command2));
  ASSERT_EQ(3u, script_.starts.size());
  EXPECT_EQ("quarnex -m \"D:\\out\" \"E:\\a.pdi\" VTS_01_1.VOB;1", script_.starts[2].command_line);
}

TEST_F(FilePickingTest, ControlsReadAtTheMomentOfUse) {
  prepare("E:\\a.pdi", "E:\\");
  click(form1(form1::Command5));
  EXPECT_EQ("E:\\", text_of(form1(form1::Text2)));
  select_entries(form2(form2::List1), {0});
  click(form2(form2::Command2));
  EXPECT_EQ("quarnex -m \"E:\\\\\" \"E:\\a.pdi\" VIDEO_TS.IFO;1",
            script_.starts.back().command_line);
  // Changed after the window opened: the new text is used.
  SetWindowTextA(form1(form1::Text2), "E:\\new");
  click(form2(form2::Command2));
  EXPECT_EQ("quarnex -m \"E:\\new\" \"E:\\a.pdi\" VIDEO_TS.IFO;1",
            script_.starts.back().command_line);
}

// The window's list belongs to one set: naming another set closes it, also
// while its own run or the list run goes on, and a list run whose set was
// renamed meanwhile opens no window.
TEST_F(FilePickingTest, AnotherSetClosesTheWindow) {
  struct Row {
    const char* name;
    bool during_list_run;
    bool during_selected_run;
  };
  const Row rows[] = {{"after", false, false}, {"during the list run", true, false},
                      {"during its own run", false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (app_.form2.window != nullptr) SendMessageA(app_.form2.window, WM_CLOSE, 0, 0);
    script_.during_wait = nullptr;
    prepare("E:\\a.pdi", "D:\\out");
    if (row.during_list_run) {
      script_.during_wait = [&] { SetWindowTextA(form1(form1::Text1), "F:\\b.pdi"); };
    }
    click(form1(form1::Command5));
    if (row.during_list_run) {
      EXPECT_EQ(nullptr, app_.form2.window);
      continue;
    }
    ASSERT_NE(nullptr, app_.form2.window);
    select_entries(form2(form2::List1), {0});
    std::size_t starts = script_.starts.size();
    if (row.during_selected_run) {
      script_.during_wait = [&] { SetWindowTextA(form1(form1::Text1), "F:\\b.pdi"); };
      script_.run_exit_codes.push_back(1);
      click(form2(form2::Command2));
      EXPECT_EQ(starts + 1, script_.starts.size());
      ASSERT_FALSE(script_.messages.empty());  // told over the main window
      EXPECT_EQ(app_.form1.window, script_.messages.back().owner);
    } else {
      SetWindowTextA(form1(form1::Text1), "F:\\b.pdi");
    }
    EXPECT_EQ(nullptr, app_.form2.window);
    EXPECT_NE(nullptr, app_.form1.window);
  }
}

TEST_F(FilePickingTest, SecondExtractFilesWhileOpenKeepsTheOldList) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  HWND first = app_.form2.window;
  script_.run_writes[list_file()] = "OTHER.VOB;1 2048\r\n";
  click(form1(form1::Command5));
  EXPECT_EQ(2u, script_.starts.size());
  EXPECT_EQ(2u, script_.waits.size());
  EXPECT_EQ(script_.handed_out[1], script_.waits[1]);
  EXPECT_EQ(first, app_.form2.window);
  EXPECT_TRUE(IsWindowVisible(app_.form2.window));
  EXPECT_EQ(5, SendMessageA(form2(form2::List1), LB_GETCOUNT, 0, 0));  // not loaded again
}

TEST_F(FilePickingTest, ClosedWindowIsLoadedAgainWithTheNewList) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  SendMessageA(app_.form2.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(nullptr, app_.form2.window);
  EXPECT_NE(nullptr, app_.form1.window);  // the main window goes on
  script_.run_writes[list_file()] = "OTHER.VOB;1 2048\r\n";
  click(form1(form1::Command5));
  ASSERT_NE(nullptr, app_.form2.window);
  EXPECT_EQ((std::vector<std::string>{"OTHER.VOB;1 2048"}), list_entries(form2(form2::List1)));
  EXPECT_EQ(2u, script_.reads.size());
}

TEST_F(FilePickingTest, EmptyListFileGivesEmptyListAndNothingToExtract) {
  prepare("E:\\a.pdi", "D:\\out", "");
  click(form1(form1::Command5));
  ASSERT_NE(nullptr, app_.form2.window);
  EXPECT_EQ(0, SendMessageA(form2(form2::List1), LB_GETCOUNT, 0, 0));
  EXPECT_TRUE(script_.messages.empty());
  click(form2(form2::Command2));
  EXPECT_EQ(1u, script_.starts.size());
  ASSERT_EQ(1u, script_.messages.size());
  EXPECT_EQ(kNothingSelectedMessage, script_.messages[0].text);
}

TEST_F(FilePickingTest, EntryWithoutBlankPassesItsWholeText) {
  prepare("E:\\a.pdi", "D:\\out", "NOSIZE.VOB;1\r\nA.IFO;1 2048\r\n");
  click(form1(form1::Command5));
  select_entries(form2(form2::List1), {0, 1});
  click(form2(form2::Command2));
  EXPECT_EQ("quarnex -m \"D:\\out\" \"E:\\a.pdi\" NOSIZE.VOB;1 A.IFO;1",
            script_.starts.back().command_line);
}

TEST_F(FilePickingTest, EmptyImagePathGivesEmptyQuotes) {
  type_text(form1(form1::Text2), "x\b");
  script_.run_writes[list_file()] = "";
  click(form1(form1::Command5));
  EXPECT_EQ("quarnex -gb \"C:\\scripted temp\\pdilist.txt\" \"\"", script_.starts[0].command_line);
}

// The list file lies in the user's temporary folder.
TEST_F(FilePickingTest, ListFileInTheTemporaryFolder) {
  script_.temp_folder = "C:\\Users\\Jo Smith\\AppData\\Local\\Temp\\";
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  EXPECT_EQ("quarnex -gb \"C:\\Users\\Jo Smith\\AppData\\Local\\Temp\\pdilist.txt\" \"E:\\a.pdi\"",
            script_.starts[0].command_line);
  ASSERT_EQ(1u, script_.reads.size());
  EXPECT_EQ("C:\\Users\\Jo Smith\\AppData\\Local\\Temp\\pdilist.txt", script_.reads[0]);
  EXPECT_EQ(std::string::npos, script_.starts[0].command_line.find("C:\\pdilist.txt"));
}

TEST(SystemTempFolder, ListFileIsGetTempPathAndPdilist) {
  char temp[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof(temp), temp);
  ASSERT_GT(length, 0u);
  std::string from_platform = system_platform()->temp_folder(nullptr);
  EXPECT_EQ(std::string(temp, length), from_platform);
  EXPECT_EQ(std::string(temp, length) + "pdilist.txt", list_file_path(from_platform));
  EXPECT_NE("C:\\pdilist.txt", list_file_path(from_platform));
}

// The window appears only after the list run has ended.
TEST_F(FilePickingTest, WindowLoadsOnlyAfterTheListRunEnded) {
  prepare("E:\\a.pdi", "D:\\out", "");
  script_.run_writes.clear();
  bool loaded_during_wait = true;
  script_.during_wait = [&] {
    loaded_during_wait = app_.form2.window != nullptr;
    script_.files[list_file()] = "WRITTEN.VOB;1 2048\r\n";  // quarnex writes it meanwhile
  };
  click(form1(form1::Command5));
  EXPECT_FALSE(loaded_during_wait);
  ASSERT_NE(nullptr, app_.form2.window);
  EXPECT_EQ(1, SendMessageA(form2(form2::List1), LB_GETCOUNT, 0, 0));
  EXPECT_TRUE(script_.messages.empty());
}

// A list left on disk by an earlier run is removed before the run starts.
TEST_F(FilePickingTest, OldListFileIsRemovedBeforeTheListRun) {
  prepare("E:\\new.pdi", "D:\\out", "NEW.VOB;1 2048\r\n");
  script_.files[list_file()] = kList;  // from an earlier set
  bool old_list_there_during_run = true;
  script_.during_wait = [&] { old_list_there_during_run = script_.files.count(list_file()) > 0; };
  click(form1(form1::Command5));
  EXPECT_EQ((std::vector<std::string>{list_file()}), script_.deletes);
  EXPECT_FALSE(old_list_there_during_run);
  EXPECT_EQ((std::vector<std::string>{"NEW.VOB;1 2048"}), list_entries(form2(form2::List1)));
}

// A failed list run: a message with quarnex's own reason, no window, and
// never the list an earlier run left.
TEST_F(FilePickingTest, FailedListRunIsReportedAndNoWindowOpens) {
  struct Row {
    const char* name;
    DWORD exit_code;
    std::string error_output;
    bool writes_list;
    std::string reason;
  };
  const std::string echo = "quarnex -gb \"C:\\scripted temp\\pdilist.txt\" \"E:\\x.pdi\"\r\n\r\n";
  const Row rows[] = {
      {"missing set", 1,
       echo + "E:\\x.pdi: No such file or directory\r\n\r\n\aHit <RETURN> to continue\r\n", false,
       "E:\\x.pdi: No such file or directory"},
      {"failure after the list was written", 1,
       echo + "E:\\x.pdi01: Permission denied\r\n\r\n\aHit <RETURN> to continue\r\n", true,
       "E:\\x.pdi01: Permission denied"},
      {"status without a word", 5, "", false, "quarnex ended with exit status 5."},
      {"status 0, no list file", 0, echo, false,
       "quarnex wrote no list file C:\\scripted temp\\pdilist.txt."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    script_.messages.clear();
    script_.reads.clear();
    prepare("E:\\x.pdi", "D:\\out");
    script_.files[list_file()] = kList;  // what an earlier run left
    if (!row.writes_list) script_.run_writes.clear();
    script_.run_exit_codes.push_back(row.exit_code);
    script_.run_error_outputs.push_back(row.error_output);
    click(form1(form1::Command5));
    ASSERT_EQ(1u, script_.messages.size());
    EXPECT_EQ("The image set could not be listed:\r\n" + row.reason, script_.messages[0].text);
    EXPECT_EQ("Quarnpad", script_.messages[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR | MB_SETFOREGROUND), script_.messages[0].type);
    EXPECT_EQ(app_.form1.window, script_.messages[0].owner);
    EXPECT_EQ(nullptr, app_.form2.window);
  }
}

// A failure while Form2 shows an earlier list closes that window; a good run
// after a failed one shows only its own files.
TEST_F(FilePickingTest, FailureThenGoodRun) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  ASSERT_NE(nullptr, app_.form2.window);
  script_.run_writes.clear();
  script_.run_exit_codes.push_back(1);
  script_.run_error_outputs.push_back("E:\\b.pdi: No such file or directory\n\n\aHit <RETURN> to continue\n");
  SetWindowTextA(form1(form1::Text1), "E:\\b.pdi");
  click(form1(form1::Command5));
  EXPECT_EQ(nullptr, app_.form2.window);
  ASSERT_EQ(1u, script_.messages.size());
  prepare("E:\\c.pdi", "D:\\out", "C.VOB;1 4096\r\n");
  click(form1(form1::Command5));
  ASSERT_NE(nullptr, app_.form2.window);
  EXPECT_EQ((std::vector<std::string>{"C.VOB;1 4096"}), list_entries(form2(form2::List1)));
  EXPECT_EQ(1u, script_.messages.size());
}

TEST_F(FilePickingTest, EndingWhileWaitingShowsNothing) {
  prepare("E:\\a.pdi", "D:\\out");
  script_.quit_during_wait = true;
  click(form1(form1::Command5));
  EXPECT_EQ(nullptr, app_.form2.window);
  EXPECT_TRUE(script_.reads.empty());
}

TEST_F(FilePickingTest, ListRunThatCannotStartIsReported) {
  prepare("E:\\a.pdi", "D:\\out");
  script_.start_answers.push_back({false, ERROR_FILE_NOT_FOUND});
  click(form1(form1::Command5));
  ASSERT_EQ(1u, script_.messages.size());
  EXPECT_EQ("quarnex cannot be started:\r\n" + system_error_text(ERROR_FILE_NOT_FOUND),
            script_.messages[0].text);
  EXPECT_TRUE(script_.waits.empty());
  EXPECT_TRUE(script_.reads.empty());
  EXPECT_EQ(nullptr, app_.form2.window);
  // Still usable: the next press starts and opens the window.
  click(form1(form1::Command5));
  EXPECT_NE(nullptr, app_.form2.window);
}

TEST_F(FilePickingTest, SelectedRunThatCannotStartIsReportedOverForm2) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  script_.start_answers.push_back({false, ERROR_FILE_NOT_FOUND});
  click(form2(form2::Command2));
  ASSERT_EQ(1u, script_.messages.size());
  EXPECT_EQ(app_.form2.window, script_.messages[0].owner);
  EXPECT_TRUE(IsWindowVisible(app_.form2.window));
}

// Delete with only some files picked asks first, No being the default:
// Yes keeps -r, No (or the box closed) extracts without deleting.
TEST_F(FilePickingTest, PartialPickWithDeleteAsksFirst) {
  struct Row {
    bool delete_set;
    std::vector<int> picked;
    int answer;  // 0: no question expected
    const char* prefix;
  };
  const Row rows[] = {
      {true, {0}, IDNO, "quarnex -m "},         {true, {0, 4}, IDYES, "quarnex -r -m "},
      {true, {1}, IDCANCEL, "quarnex -m "},     {true, {0, 1, 2, 3, 4}, 0, "quarnex -r -m "},
      {false, {0}, 0, "quarnex -m "},
  };
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.delete_set << " " << row.picked.size());
    script_.messages.clear();
    set_check(form1(form1::Check1), row.delete_set);
    SendMessageA(form2(form2::List1), LB_SETSEL, FALSE, -1);
    select_entries(form2(form2::List1), row.picked);
    if (row.answer != 0) script_.message_answers.push_back(row.answer);
    click(form2(form2::Command2));
    EXPECT_EQ(0u, script_.starts.back().command_line.find(row.prefix))
        << script_.starts.back().command_line;
    if (row.answer == 0) {
      EXPECT_TRUE(script_.messages.empty());
      continue;
    }
    ASSERT_EQ(1u, script_.messages.size());
    EXPECT_EQ(partial_delete_question(row.picked.size(), 5), script_.messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2),
              script_.messages[0].type);
    EXPECT_EQ(app_.form2.window, script_.messages[0].owner);
  }
}

// While a run is under way the action buttons of both windows wait: they are
// disabled, their clicks and keys start nothing, and a change of a box does
// not enable them; afterwards each is as the enabling rules leave it.
TEST_F(FilePickingTest, ActionButtonsWaitWhileARunIsUnderWay) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  const int buttons[] = {form1::Command2, form1::Command5, form1::Command6};
  std::vector<std::string> seen;
  script_.during_wait = [&] {
    std::size_t starts = script_.starts.size();
    SetWindowTextA(form1(form1::Text2), "D:\\other");  // a change event enables, but not now
    for (int b : buttons) {
      seen.push_back(IsWindowEnabled(form1(b)) ? "on" : "off");
      click(form1(b));
    }
    seen.push_back(IsWindowEnabled(form2(form2::Command2)) ? "on" : "off");
    click(form2(form2::Command2));
    EXPECT_EQ(starts, script_.starts.size());
    EXPECT_TRUE(script_.save_calls.empty());
  };
  select_entries(form2(form2::List1), {0});
  SetForegroundWindow(app_.form2.window);
  SetFocus(form2(form2::Command2));
  click(form2(form2::Command2));  // the selected-files run
  script_.during_wait = nullptr;
  EXPECT_EQ(form2(form2::Command2), GetFocus());  // the focus is given back
  EXPECT_EQ((std::vector<std::string>{"off", "off", "off", "off"}), seen);
  EXPECT_EQ(2u, script_.starts.size());
  for (int b : buttons) EXPECT_TRUE(IsWindowEnabled(form1(b)));
  EXPECT_TRUE(IsWindowEnabled(form2(form2::Command2)));
  EXPECT_EQ(kDoneStatus, text_of(form1(form1::Label1)));
}

// Closing the main window closes the file-picking window too and ends the
// program; closing only the file-picking window ends nothing.
TEST_F(FilePickingTest, ClosingTheMainWindowEndsTheProgram) {
  prepare("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command5));
  drain_messages();
  SendMessageA(app_.form2.window, WM_CLOSE, 0, 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  click(form1(form1::Command5));
  HWND picking = app_.form2.window;
  ASSERT_NE(nullptr, picking);
  SendMessageA(app_.form1.window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(picking));
  EXPECT_EQ(nullptr, app_.form2.window);
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace quarnpad
