#include "pdiset/names.h"

#include "pdiset/layout.h"

#include <gtest/gtest.h>

namespace {

using namespace pdiset;

TEST(OutputFileName, DropsTheVersionSuffixAsReadersDo) {
  struct Case {
    const char* recorded;
    const char* written;
  };
  const Case cases[] = {
      {"VIDEO_TS.IFO;1", "VIDEO_TS.IFO"},
      {"VTS_01_1.VOB;12", "VTS_01_1.VOB"},
      {"README.;1", "README"},
      {"README.", "README"},
      {"NOVERSION", "NOVERSION"},
      {"A;B", "A;B"},
      {"A;", "A;"},
      {"A;1;2", "A;1"},
      {"..;1", "."},
      {";1", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(output_file_name(c.recorded), c.written) << c.recorded;
}

TEST(OutputFileName, UnsafeNamesAreRefused) {
  struct Case {
    std::string name;
    bool safe_on_posix, safe_on_windows;
  };
  const Case cases[] = {
      {"VIDEO_TS.IFO", true, true},
      {"...x", true, true},
      {"", false, false},
      {".", false, false},
      {"..", false, false},
      {"a/b", false, false},
      {"../x", false, false},
      {std::string("a\0b", 3), false, false},
      {"..\\x", true, false},
      {"C:x", true, false},
      {"a?b", true, false},
      {"a*b", true, false},
      {"a|b", true, false},
      {"a\"b", true, false},
      {"a<b>", true, false},
      {"tab\tname", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_safe_output_name(c.name, NameRules::kPosix), c.safe_on_posix) << c.name;
    EXPECT_EQ(is_safe_output_name(c.name, NameRules::kWindows), c.safe_on_windows) << c.name;
  }
  EXPECT_EQ(printable_name("a\x1b[2Jb\n"), "a?[2Jb?");
}

TEST(MemberFileName, NumbersFollowTheSetNameAsTyped) {
  EXPECT_EQ(member_file_name("movie.pdi", 0), "movie.pdi");
  EXPECT_EQ(member_file_name("movie.pdi", 1), "movie.pdi01");
  EXPECT_EQ(member_file_name("Movie.PDI", 2), "Movie.PDI02");
  EXPECT_EQ(member_file_name("movie.pdi", 99), "movie.pdi99");
  EXPECT_EQ(member_file_name("movie.pdi", 100), "movie.pdi100");
}

}  // namespace
