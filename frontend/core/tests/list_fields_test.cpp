#include "list_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarnpad {
namespace {

using Fields = std::vector<std::string>;

TEST(ListFields, Cases) {
  struct Row {
    const char* name;
    std::string text;
    Fields fields;
  };
  const Row rows[] = {
      {"empty file", "", {}},
      {"one line", "VIDEO_TS.IFO;1 12288\r\n", {"VIDEO_TS.IFO;1 12288"}},
      {"format b, three lines",
       "VIDEO_TS.IFO;1 12288\r\nVIDEO_TS.BUP;1 12288\r\nVTS_01_1.VOB;1 1073709056\r\n",
       {"VIDEO_TS.IFO;1 12288", "VIDEO_TS.BUP;1 12288", "VTS_01_1.VOB;1 1073709056"}},
      {"last line without line end", "A 1\r\nB 2", {"A 1", "B 2"}},
      {"leading blanks skipped", "   A 1\r\n  B 2\r\n", {"A 1", "B 2"}},
      {"trailing blanks kept", "A 1  \r\n", {"A 1  "}},
      {"comma ends a field", "A.IFO,6144\r\n", {"A.IFO", "6144"}},
      {"comma at line end", "A,\r\nB\r\n", {"A", "", "B"}},
      {"empty line is an empty field", "A 1\r\n\r\nB 2\r\n", {"A 1", "", "B 2"}},
      {"blank line is an empty field", "  \r\n", {""}},
      {"lone LF and lone CR end lines", "A 1\nB 2\rC 3", {"A 1", "B 2", "C 3"}},
      {"quoted field keeps comma and blanks", "\" A, B \",C\r\n", {" A, B ", "C"}},
      {"text after closing quote dropped", "\"A\"xyz,B\r\n", {"A", "B"}},
      {"unclosed quote runs to the end", "\"A 1\r\n", {"A 1\r\n"}},
      {"negative and large sizes", "BIG.VOB;1 -2147483648\r\nHUGE;1 4294965248\r\n",
       {"BIG.VOB;1 -2147483648", "HUGE;1 4294965248"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.fields, read_fields(row.text));
  }
}

TEST(ListFields, FourHundredLines) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "F" + std::to_string(i) + ";1 2048\r\n";
  Fields fields = read_fields(text);
  ASSERT_EQ(400u, fields.size());
  EXPECT_EQ("F0;1 2048", fields.front());
  EXPECT_EQ("F399;1 2048", fields.back());
}

}  // namespace
}  // namespace quarnpad
