#include "pdiset/names.h"

#include "pdiset/layout.h"

#include <gtest/gtest.h>

namespace {

using namespace pdiset;

// What a recorded name is written as, and whether that may be written on
// each system.
TEST(OutputFileName, WrittenNamesAndWhetherTheyAreSafe) {
  struct Case {
    std::string recorded, written;
    bool posix, windows;
  };
  const Case cases[] = {
      // The version suffix goes, as ISO 9660 readers drop it, then a bare dot.
      {"VIDEO_TS.IFO;1", "VIDEO_TS.IFO", true, true}, {"VTS_01_1.VOB;12", "VTS_01_1.VOB", true, true},
      {"README.;1", "README", true, true},            {"README.", "README", true, true},
      {"NOVERSION", "NOVERSION", true, true},         {"A;B", "A;B", true, true},
      {"A;", "A;", true, true},                       {"A;1;2", "A;1", true, true},
      {"...x", "...x", true, true},
      // Names that leave the folder or that no system can hold.
      {"..;1", ".", false, false}, {";1", "", false, false},   {"..", ".", false, false},
      {"a/b", "a/b", false, false}, {"../x;1", "../x", false, false},
      {std::string("a\0b", 3), std::string("a\0b", 3), false, false},
      // Characters only Windows refuses.
      {"..\\x;1", "..\\x", true, false}, {"C:x", "C:x", true, false},    {"a?b", "a?b", true, false},
      {"a*b", "a*b", true, false},         {"a|b;1", "a|b", true, false}, {"a\"b", "a\"b", true, false},
      {"a<b>", "a<b>", true, false},       {"tab\tname", "tab\tname", true, false},
  };
  for (const Case& c : cases) {
    std::string written = output_file_name(c.recorded);
    EXPECT_EQ(written, c.written) << c.recorded;
    EXPECT_EQ(is_safe_output_name(written, NameRules::kPosix), c.posix) << c.recorded;
    EXPECT_EQ(is_safe_output_name(written, NameRules::kWindows), c.windows) << c.recorded;
  }
  EXPECT_EQ(printable_name("a\x1b[2Jb\n"), "a?[2Jb?");
}

TEST(Extension, AddedOnlyWhenMissingAndStrippedOnlyWhenThere) {
  struct Case {
    const char* name;
    const char* extension;
    const char* result;
    const char* stripped;  // name less the extension
  };
  const Case cases[] = {
      {"movie", ".pdi", "movie.pdi", "movie"},
      {"movie.pdi", ".pdi", "movie.pdi", "movie"},
      {"MOVIE.PDI", ".pdi", "MOVIE.PDI", "MOVIE"},
      {"movie.Pdi", ".pdi", "movie.Pdi", "movie"},
      {"movie.pdi01", ".pdi", "movie.pdi01.pdi", "movie.pdi01"},
      {"", ".pdi", ".pdi", ""},
      {"di", ".pdi", "di.pdi", "di"},
      {".pdi", ".pdi", ".pdi", ".pdi"},
      {"out", ".iso", "out.iso", "out"},
      {"out.ISO", ".iso", "out.ISO", "out"},
      // Only A to Z fold: a byte that differs elsewhere does not match.
      {"movie.pd\xC4\xB1", ".pdi", "movie.pd\xC4\xB1.pdi", "movie.pd\xC4\xB1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(with_extension(c.name, c.extension), c.result) << c.name;
    EXPECT_EQ(without_extension(c.name, c.extension), c.stripped) << c.name;
  }
  // Only A to Z fold.
  EXPECT_EQ(fold_ascii_case("AbZ@[`{\xC4"), "abz@[`{\xC4");
  EXPECT_TRUE(starts_with_ignoring_ascii_case("VTS_01_1.VOB;1", "vts_01"));
  EXPECT_FALSE(starts_with_ignoring_ascii_case("VTS", "vts_01"));
}

TEST(MemberFileName, NumbersFollowTheSetNameAsTyped) {
  EXPECT_EQ(member_file_name("movie.pdi", 0), "movie.pdi");
  EXPECT_EQ(member_file_name("movie.pdi", 1), "movie.pdi01");
  EXPECT_EQ(member_file_name("Movie.PDI", 2), "Movie.PDI02");
  EXPECT_EQ(member_file_name("movie.pdi", 99), "movie.pdi99");
  EXPECT_EQ(member_file_name("movie.pdi", 100), "movie.pdi100");
}

// Any member's name leads back to its set and index; other names to none.
TEST(MemberIndex, InverseOfTheMemberNames) {
  for (const std::string set : {"movie.pdi", "dir/Movie.PDI", "a.pdi.pdi"})
    for (int index : {0, 1, 9, 10, 99, 100, 1234}) {
      std::string found;
      EXPECT_EQ(member_index(member_file_name(set, index), &found), index) << set << " " << index;
      EXPECT_EQ(found, set);
    }
  for (const std::string name : {"movie", "movie.pdi1", "movie.pdi001", "movie.pdi00", "movie.iso01", "movie.pd01",
                                 "movie.pdi0000000001", ""}) {
    std::string found = "unchanged";
    EXPECT_EQ(member_index(name, &found), -1) << name;
    EXPECT_EQ(found, "unchanged");
  }
}

}  // namespace
