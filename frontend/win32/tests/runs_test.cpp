// "&Extract all files" and "&Convert to Iso" driven through the main
// window, and what happens when quarnex cannot be started.
#include "front_end_test.h"

#include "program_start.h"
#include "texts.h"

#include <string>
#include <vector>

namespace quarnpad {
namespace {

using RunsTest = FrontEndTest;

TEST_F(RunsTest, ExtractAllCheckBoxes) {
  fill("E:\\images\\movie.pdi", "D:\\movie");
  // Each box on its own and all together (every row: core tests).
  expect_check_box_runs({{0, 0, 0, "quarnex -m ", SW_SHOWMAXIMIZED}, {1, 0, 0, "quarnex -r -m ", SW_SHOWMAXIMIZED},
                         {0, 1, 0, "quarnex -v -m ", SW_SHOWMAXIMIZED}, {0, 0, 1, "quarnex -m ", SW_SHOWMINIMIZED},
                         {1, 1, 1, "quarnex -r -v -m ", SW_SHOWMINIMIZED}},
                        [this](const CheckBoxRun&) { click(form1(form1::Command2)); },
                        "\"D:\\movie\" \"E:\\images\\movie.pdi\"");
  EXPECT_EQ(5u, script_.starts.size());
  EXPECT_TRUE(script_.messages.empty());
}

// A destination ending in a backslash stays in the box as it is, and gets
// the one more backslash that keeps its closing quote a quote.
TEST_F(RunsTest, TrailingBackslashesKeptInTheBox) {
  struct Row {
    const char* destination;
    const char* word;  // as composed
  };
  const Row rows[] = {
      {"D:\\", "\"D:\\\\\""}, {"d:\\", "\"d:\\\\\""}, {"D:\\movies\\", "\"D:\\movies\\\\\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.destination);
    fill("E:\\a.pdi", row.destination);
    click(form1(form1::Command2));
    EXPECT_EQ(row.destination, text_of(form1(form1::Text2)));
    EXPECT_EQ(std::string("quarnex -m ") + row.word + " \"E:\\a.pdi\"",
              script_.starts.back().command_line);
  }
}

TEST_F(RunsTest, EmptyTextsGiveEmptyQuotes) {
  type_text(form1(form1::Text2), "x\b");  // enables the button, leaves the box empty
  click(form1(form1::Command2));
  ASSERT_EQ(1u, script_.starts.size());
  EXPECT_EQ("quarnex -m \"\" \"\"", script_.starts[0].command_line);
}

TEST_F(RunsTest, TwoClicksStartTwoRuns) {
  fill("E:\\a.pdi", "D:\\out");
  click(form1(form1::Command2));
  click(form1(form1::Command2));
  EXPECT_EQ(2u, script_.starts.size());
}

TEST_F(RunsTest, ConvertCheckBoxes) {
  fill("E:\\images\\movie.pdi", "");
  expect_check_box_runs({{0, 0, 0, "quarnex -i ", SW_SHOWMAXIMIZED}, {1, 0, 0, "quarnex -r -i ", SW_SHOWMAXIMIZED},
                         {0, 1, 0, "quarnex -i ", SW_SHOWMAXIMIZED}, {0, 0, 1, "quarnex -i ", SW_SHOWMINIMIZED},
                         {1, 1, 1, "quarnex -r -i ", SW_SHOWMINIMIZED}},
                        [this](const CheckBoxRun&) {
                          script_.save_answers.push_back({true, "D:\\iso\\movie"});
                          script_.message_answers.push_back(IDYES);
                          click(form1(form1::Command6));
                        },
                        "\"D:\\iso\\movie\" \"E:\\images\\movie.pdi\"");
  EXPECT_EQ(5u, script_.starts.size());
}

TEST_F(RunsTest, SaveDialogAsTheCommonDialogShowsIt) {
  fill("E:\\a.pdi", "");
  script_.save_answers.push_back({true, "D:\\first.iso"});
  script_.message_answers.push_back(IDNO);
  click(form1(form1::Command6));
  click(form1(form1::Command6));  // cancelled
  ASSERT_EQ(2u, script_.save_calls.size());
  for (const FileDialogCall& call : script_.save_calls) {
    EXPECT_EQ(app_.form1.window, call.record.hwndOwner);
    EXPECT_EQ(std::string("ISO-files\0*.iso\0All Files\0*.*\0\0", 31), call.filter);
    EXPECT_EQ("(null)", call.title);        // the system's own title
    EXPECT_EQ("(null)", call.initial_dir);  // no initial folder
    EXPECT_EQ("(null)", call.default_ext);  // no default extension
    EXPECT_EQ(1u, call.record.nFilterIndex);
  }
  EXPECT_EQ('\0', script_.save_calls[0].file_buffer[0]);  // empty until chosen once
  EXPECT_EQ("D:\\first.iso", std::string(script_.save_calls[1].file_buffer.c_str()));
  EXPECT_EQ("D:\\first.iso", text_of(form1(form1::Text2)));  // the cancel kept the name
}

TEST_F(RunsTest, Fat32QuestionAndYes) {
  fill("E:\\images\\movie.pdi", "D:\\out");
  script_.save_answers.push_back({true, "D:\\iso\\movie.iso"});
  script_.message_answers.push_back(IDYES);
  click(form1(form1::Command6));
  ASSERT_EQ(1u, script_.messages.size());
  EXPECT_EQ("If your filesystem is FAT32 this may cause errors due to the filesize.\r\nContinue?",
            script_.messages[0].text);
  EXPECT_EQ("Warning", script_.messages[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO), script_.messages[0].type);  // 4: Yes, No, no icon
  EXPECT_EQ(app_.form1.window, script_.messages[0].owner);
  ASSERT_EQ(1u, script_.starts.size());
  EXPECT_EQ("quarnex -i \"D:\\iso\\movie.iso\" \"E:\\images\\movie.pdi\"",
            script_.starts[0].command_line);
}

TEST_F(RunsTest, Fat32NoStartsNothingButTheBoxShowsTheIsoName) {
  fill("E:\\images\\movie.pdi", "D:\\out");
  script_.save_answers.push_back({true, "D:\\iso\\movie.iso"});
  script_.message_answers.push_back(IDNO);
  click(form1(form1::Command6));
  EXPECT_TRUE(script_.starts.empty());
  EXPECT_EQ("D:\\iso\\movie.iso", text_of(form1(form1::Text2)));
  // A following extract-all takes that path as its destination.
  click(form1(form1::Command2));
  ASSERT_EQ(1u, script_.starts.size());
  EXPECT_EQ("quarnex -m \"D:\\iso\\movie.iso\" \"E:\\images\\movie.pdi\"",
            script_.starts[0].command_line);
}

// The save dialog's outcomes: a cancel ends the action; the name quarnex
// writes (".iso" added when missing) is asked about when that file exists,
// No going back to the dialog; a name as typed that exists but is not
// written is not asked about, and the dialog itself asks nothing.
TEST_F(RunsTest, SaveDialogOutcomes) {
  struct Row {
    const char* name;
    std::vector<DialogAnswer> dialog;  // one per showing
    std::vector<int> answers;          // replace questions, then the FAT32 one
    std::vector<std::string> asked;    // the paths asked about
    const char* text2;                 // afterwards
    const char* iso_word;              // on the command line; nullptr: no run
  };
  const Row rows[] = {
      {"cancel", {{false, ""}}, {}, {}, "D:\\out", nullptr},
      {"new name", {{true, "D:\\new"}}, {IDYES}, {}, "D:\\new", "D:\\new"},
      {"typed with .iso", {{true, "D:\\fresh.iso"}}, {IDYES}, {}, "D:\\fresh.iso",
       "D:\\fresh.iso"},
      {"typed with .iso, exists", {{true, "D:\\movie.iso"}}, {IDYES, IDYES}, {"D:\\movie.iso"},
       "D:\\movie.iso", "D:\\movie.iso"},
      {"exists as typed, not as written", {{true, "D:\\example.pdi"}}, {IDYES}, {},
       "D:\\example.pdi", "D:\\example.pdi"},
      {"replace: yes", {{true, "D:\\movie"}}, {IDYES, IDYES}, {"D:\\movie.iso"}, "D:\\movie",
       "D:\\movie"},
      {"replace: no, then cancel", {{true, "D:\\movie"}, {false, ""}}, {IDNO},
       {"D:\\movie.iso"}, "D:\\out", nullptr},
      {"replace: no, then another", {{true, "D:\\MOVIE"}, {true, "D:\\other"}},
       {IDNO, IDYES}, {"D:\\MOVIE.iso"}, "D:\\other", "D:\\other"},
      {"FAT32: no", {{true, "D:\\new"}}, {IDNO}, {}, "D:\\new", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fill("E:\\a.pdi", "D:\\out");
    script_.files["D:\\movie.iso"] = "";
    script_.files["D:\\MOVIE.iso"] = "";
    script_.files["D:\\example.pdi"] = "";
    script_.messages.clear();
    script_.starts.clear();
    script_.save_calls.clear();
    script_.save_answers.assign(row.dialog.begin(), row.dialog.end());
    script_.message_answers.assign(row.answers.begin(), row.answers.end());
    click(form1(form1::Command6));
    EXPECT_EQ(row.dialog.size(), script_.save_calls.size());
    for (const FileDialogCall& call : script_.save_calls) {
      EXPECT_EQ(0u, call.record.Flags & OFN_OVERWRITEPROMPT);
    }
    std::vector<std::string> asked;
    bool fat32 = false;
    for (const MessageCall& m : script_.messages) {
      if (m.caption == "Warning") {
        fat32 = true;
      } else {
        asked.push_back(m.text.substr(0, m.text.find(" already exists.\r\n")));
        EXPECT_EQ(replace_question(asked.back()), m.text);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2), m.type);
      }
    }
    EXPECT_EQ(row.asked, asked);
    EXPECT_EQ(row.dialog.back().accept, fat32);  // no question after a cancel
    EXPECT_EQ(row.text2, text_of(form1(form1::Text2)));
    if (row.iso_word == nullptr) {
      EXPECT_TRUE(script_.starts.empty());
    } else {
      ASSERT_EQ(1u, script_.starts.size());
      EXPECT_EQ(std::string("quarnex -i \"") + row.iso_word + "\" \"E:\\a.pdi\"",
                script_.starts[0].command_line);
    }
  }
}

// Every run is waited for and its end told: well in the status line, a
// failure in a message box with quarnex's own line (or its status), over a
// main window brought to the front from the console that had the focus.
TEST_F(RunsTest, EndOfEachRunIsTold) {
  struct Row {
    const char* name;
    DWORD exit_code;
    std::string error_output;
    const char* status;
    const char* message;  // nullptr: none
  };
  const Row rows[] = {
      {"ends well", 0, "writing D:\\out\\A.VOB (3 extents) .\r\n", kDoneStatus, nullptr},
      {"fails with a line", 1,
       "quarnex -m \"D:\\out\" \"E:\\a.pdi\"\r\n\r\nE:\\a.pdi01: No such file or directory\r\n"
       "\r\n\aHit <RETURN> to continue\r\n",
       kFailedStatus, "quarnex stopped with an error:\r\nE:\\a.pdi01: No such file or directory"},
      {"fails without a word", 3, "", kFailedStatus,
       "quarnex stopped with an error:\r\nquarnex ended with exit status 3."},
  };
  HWND console = CreateWindowExA(0, "STATIC", "console", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  for (const Row& row : rows) {
    for (int command : {form1::Command2, form1::Command6}) {
      SCOPED_TRACE(testing::Message() << row.name << ", Command" << (command == form1::Command2 ? 2 : 6));
      fill("E:\\a.pdi", "D:\\out");
      set_check(form1(form1::Check3), true);  // the console starts minimised
      script_.messages.clear();
      if (command == form1::Command6) {
        script_.save_answers.push_back({true, "D:\\x.iso"});
        script_.message_answers.push_back(IDYES);
      }
      script_.run_exit_codes.push_back(row.exit_code);
      script_.run_error_outputs.push_back(row.error_output);
      std::string status_during;
      script_.during_wait = [&] {
        status_during = text_of(form1(form1::Label1));
        SetForegroundWindow(console);
      };
      click(form1(command));
      EXPECT_EQ(kRunningStatus, status_during);
      EXPECT_EQ(row.status, text_of(form1(form1::Label1)));
      std::vector<MessageCall> told;
      for (const MessageCall& m : script_.messages) {
        if (m.caption == "Quarnpad") told.push_back(m);
      }
      if (row.message == nullptr) {
        EXPECT_TRUE(told.empty());
        continue;
      }
      ASSERT_EQ(1u, told.size());
      EXPECT_EQ(row.message, told[0].text);
      EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR | MB_SETFOREGROUND), told[0].type);
      EXPECT_EQ(app_.form1.window, told[0].owner);
      EXPECT_EQ(app_.form1.window, told[0].foreground);
    }
  }
  DestroyWindow(console);
}

TEST_F(RunsTest, IsoNameGoesAsTypedAndNoDriveRootRule) {
  fill("E:\\a.pdi", "");
  script_.save_answers.push_back({true, "D:\\"});
  script_.message_answers.push_back(IDYES);
  click(form1(form1::Command6));
  EXPECT_EQ("D:\\", text_of(form1(form1::Text2)));
  EXPECT_EQ("quarnex -i \"D:\\\\\" \"E:\\a.pdi\"", script_.starts.back().command_line);
}

TEST_F(RunsTest, StartFailureIsReportedAndTheWindowStaysUsable) {
  fill("E:\\a.pdi", "D:\\out");
  script_.start_answers.push_back({false, ERROR_FILE_NOT_FOUND});
  click(form1(form1::Command2));
  ASSERT_EQ(1u, script_.messages.size());
  EXPECT_EQ("quarnex cannot be started:\r\n" + system_error_text(ERROR_FILE_NOT_FOUND),
            script_.messages[0].text);
  EXPECT_NE(std::string::npos, script_.messages[0].text.find(system_error_text(2)));
  EXPECT_FALSE(system_error_text(2).empty());
  EXPECT_EQ("Quarnpad", script_.messages[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), script_.messages[0].type);
  EXPECT_EQ(app_.form1.window, script_.messages[0].owner);
  // Still usable: the next click starts.
  EXPECT_TRUE(IsWindowEnabled(app_.form1.window));
  click(form1(form1::Command2));
  EXPECT_EQ(2u, script_.starts.size());
  EXPECT_EQ(1u, script_.messages.size());
}

TEST_F(RunsTest, ConvertStartFailureIsReported) {
  fill("E:\\a.pdi", "");
  script_.save_answers.push_back({true, "D:\\x.iso"});
  script_.message_answers.push_back(IDYES);
  script_.start_answers.push_back({false, ERROR_ACCESS_DENIED});
  click(form1(form1::Command6));
  ASSERT_EQ(2u, script_.messages.size());
  EXPECT_EQ("quarnex cannot be started:\r\n" + system_error_text(ERROR_ACCESS_DENIED),
            script_.messages[1].text);
}

}  // namespace
}  // namespace quarnpad
