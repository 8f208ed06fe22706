// The list file's place, the enabling rules and the dialog filter.
#include "dialog_filter.h"
#include "enabling.h"
#include "list_path.h"
#include "texts.h"

#include <gtest/gtest.h>

#include <string>

#include "text_cases.h"

namespace quarnpad {
namespace {

TEST(ListPath, TempFolderAndName) {
  expect_texts({
      {"C:\\Users\\jo\\AppData\\Local\\Temp\\", "C:\\Users\\jo\\AppData\\Local\\Temp\\pdilist.txt"},
      {"C:\\users\\root\\Temp\\", "C:\\users\\root\\Temp\\pdilist.txt"},
      {"D:\\tmp", "D:\\tmp\\pdilist.txt"},
      {"C:\\Users\\Jo Smith\\Temp\\", "C:\\Users\\Jo Smith\\Temp\\pdilist.txt"},
      {"", "C:\\pdilist.txt"},
  }, list_file_path);
}

bool operator==(const CommandEnabling& a, const CommandEnabling& b) {
  return a.command2 == b.command2 && a.command5 == b.command5 && a.command6 == b.command6;
}

TEST(Enabling, AtLoad) {
  struct Row {
    bool text1_empty, text2_empty;
    CommandEnabling after;
  };
  const CommandEnabling all_on = {true, true, true};
  const Row rows[] = {
      {true, true, {false, false, false}},
      {true, false, {false, false, false}},
      {false, true, {false, false, true}},
      {false, false, {true, true, true}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.text1_empty << row.text2_empty);
    EXPECT_TRUE(row.after == enabling_at_load(all_on, row.text1_empty, row.text2_empty));
  }
  // Load never enables.
  EXPECT_TRUE((CommandEnabling{false, false, false}) ==
              enabling_at_load({false, false, false}, false, false));
}

TEST(Enabling, ChangesOnlyEnable) {
  const CommandEnabling none = {false, false, false};
  EXPECT_TRUE((CommandEnabling{false, false, true}) == enabling_after_text1_change(none));
  EXPECT_TRUE((CommandEnabling{true, true, true}) == enabling_after_text2_change(none));
  const CommandEnabling all_on = {true, true, true};
  EXPECT_TRUE(all_on == enabling_after_text1_change(all_on));
  EXPECT_TRUE(all_on == enabling_after_text2_change(all_on));
  EXPECT_TRUE((CommandEnabling{true, false, true}) ==
              enabling_after_text1_change({true, false, false}));
}

TEST(DialogFilter, BarsBecomeNuls) {
  EXPECT_EQ(std::string("ISO-files\0*.iso\0All Files\0*.*\0\0", 31), dialog_filter(kIsoFilter));
  EXPECT_EQ(std::string("\0\0", 2), dialog_filter(""));
}

TEST(Texts, OpenFileFilterPairsAndFinalNul) {
  const std::string expected("PDI Images (*.pdi)\0*.pdi\0All Files (*.*)\0*.*\0\0", 46);
  EXPECT_EQ(expected, std::string(kOpenFileFilter, kOpenFileFilterSize));
  EXPECT_EQ(std::string("If your filesystem is FAT32 this may cause errors due to the "
                        "filesize.\r\nContinue?"),
            kFat32Prompt);
}

TEST(Texts, MessagesCarryTheirDetails) {
  EXPECT_EQ("quarnex cannot be started:\r\nFile not found.",
            start_failed_message("File not found."));
  EXPECT_EQ("The image set could not be listed:\r\nZ:\\a.pdi: No such file or directory",
            list_failed_message("Z:\\a.pdi: No such file or directory"));
  EXPECT_NE(std::string::npos, exit_status_reason(3).find("exit status 3"));
  EXPECT_NE(std::string::npos, no_list_file_reason("C:\\t\\pdilist.txt").find("C:\\t\\pdilist.txt"));
}

}  // namespace
}  // namespace quarnpad
