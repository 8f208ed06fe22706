#include "drive_root.h"

#include <gtest/gtest.h>

#include <string>

namespace quarnpad {
namespace {

TEST(DriveRoot, Cases) {
  struct Row {
    const char* text;
    const char* after;
  };
  const Row rows[] = {
      {"D:\\", "D:"},           {"C:\\", "C:"},
      {"Z:\\", "Z:"},           {"E:\\", "E:"},
      {"d:\\", "d:\\"},         {"A:\\", "A:\\"},
      {"B:\\", "B:\\"},         {"D:\\movies\\", "D:\\movies\\"},
      {"D:", "D:"},             {"D:/", "D:/"},
      {"D;\\", "D;\\"},         {"[:\\", "[:\\"},
      {"D:\\ ", "D:\\ "},       {" D:\\", " D:\\"},
      {"", ""},                 {"D:\\out", "D:\\out"},
      {"\\\\server\\", "\\\\server\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(std::string(row.after), apply_drive_root(row.text));
    EXPECT_EQ(std::string(row.after) != row.text, is_drive_root(row.text));
  }
}

}  // namespace
}  // namespace quarnpad
