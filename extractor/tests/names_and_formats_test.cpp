#include <gtest/gtest.h>

#include "file_selection.h"
#include "list_file.h"

namespace {

TEST(FileWordMatches, ExactAndTrailingStarWords) {
  struct Case {
    const char* word;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"VTS_01_1.VOB;1", "VTS_01_1.VOB;1", true},
      {"vts_01_1.vob;1", "VTS_01_1.VOB;1", true},
      {"VTS_01_1.VOB", "VTS_01_1.VOB;1", false},
      {"vts_01*", "VTS_01_1.VOB;1", true},
      {"vts_01*", "VTS_02_1.VOB;1", false},
      {"VTS_01_1.VOB;1*", "VTS_01_1.VOB;1", true},
      {"VTS_01_1.VOB;12*", "VTS_01_1.VOB;1", false},
      {"*", "ANY", true},
      {"*", "", true},
      {"x*y", "x*y", true},
      {"x*y", "xay", false},
      {"", "", true},
      {"", "A", false},
      // Only the ASCII letters fold.
      {"\xE4*", "\xC4", false},
      {"a@", "A`", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(file_word_matches(c.word, c.name), c.matches) << c.word << " vs " << c.name;
}

TEST(ListRecord, FourFormatsWithCrLf) {
  EXPECT_EQ(format_list_record(kListNames, "A.IFO", 6144), "A.IFO\r\n");
  EXPECT_EQ(format_list_record(kListNameCommaSize, "A.IFO", 6144), "A.IFO,6144\r\n");
  EXPECT_EQ(format_list_record(kListNameThenSize, "A.IFO", 6144), "A.IFO\r\n6144\r\n");
  EXPECT_EQ(format_list_record(kListNameBlankSize, "A.IFO", 6144), "A.IFO 6144\r\n");
  // Sizes of 2 GiB and more are written as the numbers they are.
  EXPECT_EQ(format_list_record(kListNameBlankSize, "BIG;1", int64_t{2097151} * 2048), "BIG;1 4294965248\r\n");
}

}  // namespace
