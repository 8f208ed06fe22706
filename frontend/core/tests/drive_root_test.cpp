#include "drive_root.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text_cases.h"

namespace quarnpad {
namespace {

TEST(DriveRoot, Cases) {
  const std::vector<TextCase> rows = {
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
  expect_texts(rows, apply_drive_root);
  for (const TextCase& row : rows)
    EXPECT_EQ(std::string(row.expected) != row.input, is_drive_root(row.input)) << row.input;
}

}  // namespace
}  // namespace quarnpad
