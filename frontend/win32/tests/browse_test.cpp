// The two Browse buttons: what the dialogs are given and what their answers
// do to the text boxes.
#include "front_end_test.h"

#include "browse.h"

#include <string>

namespace quarnpad {
namespace {

using BrowseTest = FrontEndTest;

TEST_F(BrowseTest, OpenFileDialogGetsExactlyItsFields) {
  click(form1(form1::Command1));
  ASSERT_EQ(1u, script_.open_calls.size());
  const FileDialogCall& call = script_.open_calls[0];
  const OPENFILENAMEW& r = call.record;
  EXPECT_EQ(OPENFILENAME_SIZE_VERSION_400W, r.lStructSize);
  if (sizeof(void*) == 4) {
    EXPECT_EQ(76u, r.lStructSize);
  }
  EXPECT_EQ(app_.form1.window, r.hwndOwner);
  EXPECT_EQ(app_.instance, r.hInstance);
  EXPECT_EQ(std::string("PDI Images (*.pdi)\0*.pdi\0All Files (*.*)\0*.*\0\0", 46), call.filter);
  EXPECT_EQ(nullptr, r.lpstrCustomFilter);
  EXPECT_EQ(0u, r.nMaxCustFilter);
  EXPECT_EQ(0u, r.nFilterIndex);
  EXPECT_EQ(255u, r.nMaxFile);
  EXPECT_EQ(std::string(254, ' ') + '\0', call.file_buffer);
  EXPECT_EQ(255u, r.nMaxFileTitle);
  EXPECT_EQ(std::string(254, ' ') + '\0', call.title_buffer);
  EXPECT_EQ("C:\\", call.initial_dir);
  EXPECT_EQ("Open File", call.title);
  EXPECT_EQ(0u, r.Flags);
  EXPECT_EQ(0, r.nFileOffset);
  EXPECT_EQ(0, r.nFileExtension);
  EXPECT_EQ(nullptr, r.lpstrDefExt);
  EXPECT_EQ(0, r.lCustData);
  EXPECT_EQ(nullptr, r.lpfnHook);
  EXPECT_EQ(nullptr, r.lpTemplateName);
}

TEST_F(BrowseTest, OpenFileResultsAndCancels) {
  struct Step {
    DialogAnswer answer;
    const char* text1_after;
  };
  const Step steps[] = {
      {{false, ""}, ""},
      {{true, "E:\\images\\movie.pdi"}, "E:\\images\\movie.pdi"},
      {{true, "C:\\dvd\\x.pdi"}, "C:\\dvd\\x.pdi"},    // replaces the earlier text
      {{false, ""}, "C:\\dvd\\x.pdi"},                  // a cancel changes nothing
      {{true, "C:\\" + std::string(260, 'a')}, "C:\\dvd\\x.pdi"},  // does not fit: call fails
      {{true, "E:\\with blanks\\my set.pdi"}, "E:\\with blanks\\my set.pdi"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.answer.path);
    script_.open_answers.push_back(step.answer);
    click(form1(form1::Command1));
    EXPECT_EQ(step.text1_after, text_of(form1(form1::Text1)));
    EXPECT_EQ("C:\\", script_.open_calls.back().initial_dir);  // every time
  }
  EXPECT_EQ(6u, script_.open_calls.size());
}

TEST_F(BrowseTest, AcceptedFileEnablesConvertOnly) {
  script_.open_answers.push_back({true, "E:\\images\\movie.pdi"});
  click(form1(form1::Command1));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command6)));
  EXPECT_FALSE(IsWindowEnabled(form1(form1::Command2)));
  EXPECT_FALSE(IsWindowEnabled(form1(form1::Command5)));
}

TEST_F(BrowseTest, CancelledOpenFileEnablesNothing) {
  click(form1(form1::Command1));
  EXPECT_FALSE(IsWindowEnabled(form1(form1::Command6)));
}

TEST_F(BrowseTest, FolderDialogGetsExactlyItsFields) {
  click(form1(form1::Command4));
  ASSERT_EQ(1u, script_.folder_calls.size());
  const BROWSEINFOW& info = script_.folder_calls[0].info;
  EXPECT_EQ(app_.form1.window, info.hwndOwner);
  EXPECT_EQ(nullptr, info.pidlRoot);
  EXPECT_EQ(nullptr, info.pszDisplayName);
  EXPECT_EQ("Select a folder", script_.folder_calls[0].prompt);
  EXPECT_EQ(0u, info.ulFlags);
  EXPECT_EQ(nullptr, info.lpfn);
  EXPECT_EQ(0, info.lParam);
  EXPECT_EQ(0, info.iImage);
  // A cancel's empty result still goes to the path call, unchanged.
  ASSERT_EQ(1u, script_.path_calls.size());
  EXPECT_EQ(nullptr, script_.path_calls[0]);
  EXPECT_TRUE(script_.freed_lists.empty());
}

TEST_F(BrowseTest, FolderResultsAndCancels) {
  struct Step {
    FolderAnswer answer;
    const char* text2_after;
  };
  const Step steps[] = {
      {{false, false, ""}, ""},
      {{true, true, "D:\\"}, "D:\\"},                 // a drive root keeps its backslash here
      {{true, true, "D:\\movies"}, "D:\\movies"},     // replaces the earlier text
      {{true, false, ""}, "D:\\movies"},              // no file-system path
      {{false, false, ""}, "D:\\movies"},             // cancel
      {{true, true, "C:\\Users\\Jo Smith\\out"}, "C:\\Users\\Jo Smith\\out"},
  };
  std::size_t chosen = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.text2_after);
    script_.folder_answers.push_back(step.answer);
    click(form1(form1::Command4));
    EXPECT_EQ(step.text2_after, text_of(form1(form1::Text2)));
    if (step.answer.chosen) ++chosen;
    EXPECT_EQ(chosen, script_.freed_lists.size());  // every item list is given back
  }
}

TEST_F(BrowseTest, ChosenFolderEnablesAllThree) {
  script_.folder_answers.push_back({true, true, "D:\\out"});
  click(form1(form1::Command4));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command2)));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command5)));
  EXPECT_TRUE(IsWindowEnabled(form1(form1::Command6)));
}

TEST_F(BrowseTest, CancelledFolderEnablesNothing) {
  script_.folder_answers.push_back({true, false, ""});
  click(form1(form1::Command4));
  EXPECT_FALSE(IsWindowEnabled(form1(form1::Command2)));
  EXPECT_FALSE(IsWindowEnabled(form1(form1::Command6)));
}

}  // namespace
}  // namespace quarnpad
