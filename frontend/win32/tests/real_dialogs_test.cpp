// The system's own dialogs, shown with the records the commands fill in and
// answered by a robot: the open-file dialog must accept the old record size
// and show the filter and folder given, the save dialog must keep its name
// as the common-dialog control does, the folder dialog shows the prompt.
#include "front_end_test.h"

#include "dialog_robot.h"
#include "form1.h"
#include "screenshot.h"
#include "texts.h"

#include <dlgs.h>

namespace quarnpad {
namespace {

// The file name box: an edit in older dialogs, a combo box in newer ones.
int file_name_id(HWND dialog) { return GetDlgItem(dialog, cmb13) != nullptr ? cmb13 : edt1; }
std::string file_name_box(HWND dialog) { return item_text(dialog, file_name_id(dialog)); }
void set_file_name_box(HWND dialog, const char* name) {
  SetDlgItemTextA(dialog, file_name_id(dialog), name);
}

class RealDialogsTest : public FrontEndTest {
 protected:
  void SetUp() override {
    init_script(&script_);
    // Real dialogs and message boxes; starts still recorded.
    real_ = script_.platform;
    const Platform* system = system_platform();
    real_.get_open_file_name = system->get_open_file_name;
    real_.get_save_file_name = system->get_save_file_name;
    real_.browse_for_folder = system->browse_for_folder;
    real_.path_from_id_list = system->path_from_id_list;
    real_.free_id_list = system->free_id_list;
    real_.message_box = system->message_box;
    real_.file_exists = system->file_exists;
    init_app(&app_, &real_, GetModuleHandleA(nullptr));
    ASSERT_TRUE(form1_load(&app_));
    drain_messages();
  }
  void TearDown() override {
    disarm();
    FrontEndTest::TearDown();
  }
  // "&Convert to Iso" pressed, the save dialog answered with name and OK;
  // then next is armed for what comes after it.
  void convert_saving_as(DialogRobot* save, const std::string& name, DialogRobot* next) {
    save->action = [name, next](HWND dialog) {
      set_file_name_box(dialog, name.c_str());
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      arm(next);
    };
    arm(save);
    click(form1(form1::Command6));
  }
  Platform real_;
};

TEST_F(RealDialogsTest, OpenFileDialogTakesTheRecordAndGivesThePath) {
  std::string shown_folder, first_type, initial_name;
  LRESULT type_index = -1;
  bool read_only_box = false;
  DialogRobot robot;
  robot.title = "Open File";
  robot.action = [&](HWND dialog) {
    // "Look in" of the explorer-style dialog, or the folder line of the old one.
    shown_folder = GetDlgItem(dialog, cmb2) != nullptr ? item_text(dialog, cmb2)
                                                       : item_text(dialog, stc1);
    first_type = combo_entry(dialog, cmb1, 0);
    type_index = SendDlgItemMessageA(dialog, cmb1, CB_GETCURSEL, 0, 0);
    read_only_box = GetDlgItem(dialog, chx1) != nullptr && IsWindowVisible(GetDlgItem(dialog, chx1));
    initial_name = file_name_box(dialog);
    set_file_name_box(dialog, "C:\\windows\\win.ini");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
  arm(&robot);
  click(form1(form1::Command1));
  ASSERT_TRUE(robot.done) << "the open-file dialog did not appear";
  EXPECT_NE(std::string::npos, shown_folder.find("C:")) << shown_folder;
  EXPECT_EQ(std::string(254, ' '), initial_name);
  EXPECT_TRUE(read_only_box);
  EXPECT_EQ("PDI Images (*.pdi)", first_type);
  EXPECT_EQ(0, type_index);
  EXPECT_EQ(0, lstrcmpiA("C:\\windows\\win.ini", text_of(form1(form1::Text1)).c_str()))
      << text_of(form1(form1::Text1));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command6)));
}

TEST_F(RealDialogsTest, OpenFileDialogCancelled) {
  SetWindowTextA(form1(form1::Text1), "E:\\before.pdi");
  DialogRobot robot;
  robot.title = "Open File";
  robot.action = [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); };
  arm(&robot);
  click(form1(form1::Command1));
  ASSERT_TRUE(robot.done);
  EXPECT_EQ("E:\\before.pdi", text_of(form1(form1::Text1)));
}

TEST_F(RealDialogsTest, SaveDialogKeepsItsNameAndTheWarningAsks) {
  SetWindowTextA(form1(form1::Text1), "E:\\a.pdi");
  std::string first_type, second_type, initial_name;
  DialogRobot save;
  save.action = [&](HWND dialog) {
    first_type = combo_entry(dialog, cmb1, 0);
    second_type = combo_entry(dialog, cmb1, 1);
    set_file_name_box(dialog, "C:\\quarnpad test.iso");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
  arm(&save);
  // The warning box comes after the save dialog; a second robot is armed by
  // the first one's action.
  std::string warning_text;
  DialogRobot warning;
  warning.title = "Warning";
  warning.action = [&](HWND box) {
    warning_text = static_texts(box);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
  };
  auto save_action = save.action;
  save.action = [&](HWND dialog) {
    save_action(dialog);
    arm(&warning);
  };
  click(form1(form1::Command6));
  ASSERT_TRUE(save.done) << "the save dialog did not appear";
  ASSERT_TRUE(warning.done) << "the warning did not appear";
  EXPECT_NE("Open File", save.seen_title);  // the system's own title
  EXPECT_FALSE(save.seen_title.empty());
  EXPECT_EQ("ISO-files", first_type);
  EXPECT_EQ("All Files", second_type);
  EXPECT_EQ(0, lstrcmpiA("C:\\quarnpad test.iso", text_of(form1(form1::Text2)).c_str()))
      << text_of(form1(form1::Text2));
  EXPECT_NE(std::string::npos,
            warning_text.find("If your filesystem is FAT32 this may cause errors due to the "
                              "filesize."))
      << warning_text;
  EXPECT_NE(std::string::npos, warning_text.find("Continue?")) << warning_text;
  EXPECT_TRUE(script_.starts.empty());  // No was answered

  // The dialog offers the name chosen before; a cancel (Escape) ends the
  // action: no warning, no run, the box as it was.
  SetWindowTextA(form1(form1::Text2), "D:\\before");
  DialogRobot cancel;
  cancel.action = [&](HWND dialog) {
    initial_name = file_name_box(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    arm(&warning);
  };
  warning.done = false;
  warning.action = [&](HWND box) { PostMessageA(box, WM_COMMAND, IDYES, 0); };
  arm(&cancel);
  click(form1(form1::Command6));
  disarm();
  ASSERT_TRUE(cancel.done);
  EXPECT_FALSE(warning.done);
  EXPECT_NE(std::string::npos, initial_name.find("quarnpad test")) << initial_name;
  EXPECT_EQ("D:\\before", text_of(form1(form1::Text2)));
  EXPECT_TRUE(script_.starts.empty());
}

TEST_F(RealDialogsTest, FolderDialogShowsThePromptAndACancelChangesNothing) {
  SetWindowTextA(form1(form1::Text2), "D:\\before");
  bool prompt_shown = false;
  DialogRobot robot;
  robot.action = [&](HWND dialog) {
    prompt_shown = static_texts(dialog).find("Select a folder") != std::string::npos;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  };
  arm(&robot);
  click(form1(form1::Command4));
  ASSERT_TRUE(robot.done) << "the folder dialog did not appear";
  EXPECT_TRUE(prompt_shown);
  EXPECT_EQ("D:\\before", text_of(form1(form1::Text2)));
}

// Choosing a file that exists asks before it is replaced: No goes back to
// the dialog (cancelled here, which ends the conversion), Yes takes the
// name.
TEST_F(RealDialogsTest, SaveDialogAsksBeforeReplacingAnExistingFile) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  std::string existing = std::string(temp) + "quarnpad existing " +
                         std::to_string(GetCurrentProcessId()) + ".iso";
  HANDLE file = CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  SetWindowTextA(form1(form1::Text1), "E:\\a.pdi");

  struct Row {
    int prompt_answer;
    int warning_answer;
    std::string text2;
    std::size_t starts;
  };
  const Row rows[] = {{IDNO, IDNO, "", 0}, {IDYES, IDYES, existing, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.prompt_answer == IDYES ? "Yes" : "No");
    DialogRobot save, prompt, cancel, warning;
    std::string prompt_text;
    bool prompt_seen = false;
    warning.title = "Warning";
    warning.action = [&](HWND box) { PostMessageA(box, WM_COMMAND, row.warning_answer, 0); };
    cancel.action = [&](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); };
    // The question, or the FAT32 warning when no question came.
    prompt.wanted = [](HWND box) {
      return static_texts(box).find("exists") != std::string::npos ||
             GetWindowTextLengthA(box) == 7;  // "Warning"
    };
    prompt.action = [&](HWND box) {
      prompt_text = static_texts(box);
      prompt_seen = prompt_text.find("exists") != std::string::npos;
      if (!prompt_seen) {
        PostMessageA(box, WM_COMMAND, IDNO, 0);
        return;
      }
      PostMessageA(box, WM_COMMAND, row.prompt_answer, 0);
      arm(row.prompt_answer == IDYES ? &warning : &cancel);
    };
    convert_saving_as(&save, existing, &prompt);
    ASSERT_TRUE(save.done) << "the save dialog did not appear";
    ASSERT_TRUE(prompt_seen) << "no question before replacing " << existing;
    EXPECT_EQ(row.prompt_answer == IDYES, warning.done);  // none after the cancel
    EXPECT_EQ(row.prompt_answer == IDNO, cancel.done);
    EXPECT_EQ(0, lstrcmpiA(row.text2.c_str(), text_of(form1(form1::Text2)).c_str()))
        << text_of(form1(form1::Text2));
    EXPECT_EQ(row.starts, script_.starts.size());
  }
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(existing.c_str()));  // only quarnex writes it
  DeleteFileA(existing.c_str());
}

// A name typed that exists as typed, while quarnex writes it with ".iso"
// added: the dialog asks nothing and neither does the command, as that file
// is not there; the FAT32 warning comes next.
TEST_F(RealDialogsTest, SaveDialogAsksNothingAboutANameNotWritten) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  std::string typed = std::string(temp) + "quarnpad typed " + std::to_string(GetCurrentProcessId()) + ".pdi";
  HANDLE file = CreateFileA(typed.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  DeleteFileA((typed + ".iso").c_str());
  SetWindowTextA(form1(form1::Text1), "E:\\a.pdi");
  DialogRobot save, next;
  std::string next_text;
  next.action = [&](HWND box) {
    next_text = static_texts(box);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
  };
  convert_saving_as(&save, typed, &next);
  ASSERT_TRUE(save.done) << "the save dialog did not appear";
  ASSERT_TRUE(next.done) << "no box after the save dialog";
  EXPECT_NE(std::string::npos, next_text.find("FAT32")) << next_text;
  EXPECT_EQ(0, lstrcmpiA(typed.c_str(), text_of(form1(form1::Text2)).c_str()));
  EXPECT_TRUE(script_.starts.empty());
  DeleteFileA(typed.c_str());
}

// "&Extract file(s)" with nothing selected: the real message box, which
// joins the screenshots.
TEST_F(RealDialogsTest, NothingSelectedMessageBox) {
  open_file_picking("A.IFO;1 2048\r\nB.VOB;1 4096\r\n");
  ASSERT_NE(nullptr, app_.form2.window);
  std::string shown;
  HWND owner = nullptr;
  DialogRobot box;
  box.title = "Quarnpad";
  box.action = [&](HWND dialog) {
    shown = static_texts(dialog);
    owner = GetWindow(dialog, GW_OWNER);
    show_for_picture(dialog, 300);
    save_png(capture_window(dialog), screenshot_folder() + "\\message_nothing_selected.png");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
  arm(&box);
  click(form2(form2::Command2));
  ASSERT_TRUE(box.done) << "no message box";
  EXPECT_NE(std::string::npos, shown.find("Select one or more files")) << shown;
  EXPECT_EQ(app_.form2.window, owner);
  EXPECT_EQ(1u, script_.starts.size());
}

}  // namespace
}  // namespace quarnpad
