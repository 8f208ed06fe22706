#include "command_line.h"

#include "name_list.h"
#include "run_choice.h"
#include "extractor/word_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarnpad {
namespace {

// quarnex's own splitting of a Windows command line, the code it runs.
std::vector<std::string> quarnex_words(const std::string& line) {
  return split_command_line(line.c_str());
}

TEST(CommandLine, ExtractAllExample) {
  EXPECT_EQ("quarnex -r -m \"D:\\movie\" \"E:\\images\\movie.pdi\"",
            compose_run(extract_all_choice(1, 0, 0).prefix, "D:\\movie",
                        "E:\\images\\movie.pdi"));
}

TEST(CommandLine, TypicalRequestExample) {
  EXPECT_EQ("quarnex -v -m \"D:\\out\" \"E:\\images\\movie.pdi\"",
            compose_run(extract_all_choice(0, 1, 0).prefix, "D:\\out",
                        "E:\\images\\movie.pdi"));
}

TEST(CommandLine, FilePickingExample) {
  std::vector<std::string> entries = {"VIDEO_TS.IFO;1 12288", "VIDEO_TS.BUP;1 12288",
                                      "VTS_01_0.IFO;1 12288", "VTS_01_1.VOB;1 1073709056"};
  std::string names = build_name_list(entries, {true, false, false, true});
  EXPECT_EQ("quarnex -v -m \"D:\\out\" \"C:\\dvd\\movie.pdi\" VIDEO_TS.IFO;1 VTS_01_1.VOB;1",
            compose_selected_run(selected_files_choice(0, 1, 0).prefix, "D:\\out",
                                 "C:\\dvd\\movie.pdi", names));
}

TEST(CommandLine, ListRunQuotesTheListFile) {
  EXPECT_EQ("quarnex -gb \"C:\\users\\me\\Temp\\pdilist.txt\" \"C:\\dvd\\movie.pdi\"",
            compose_list_run("C:\\users\\me\\Temp\\pdilist.txt", "C:\\dvd\\movie.pdi"));
}

TEST(CommandLine, PathsGoInUnchanged) {
  struct Row {
    const char* destination;
    const char* image;
    const char* line;
  };
  const Row rows[] = {
      {"", "", "quarnex -m \"\" \"\""},
      {"", "E:\\a.pdi", "quarnex -m \"\" \"E:\\a.pdi\""},
      {"D:\\out", "", "quarnex -m \"D:\\out\" \"\""},
      {" D:\\my out ", " E:\\a b.pdi ", "quarnex -m \" D:\\my out \" \" E:\\a b.pdi \""},
      {"D:\\movies\\", "x", "quarnex -m \"D:\\movies\\\\\" \"x\""},
      {"d:\\", "x", "quarnex -m \"d:\\\\\" \"x\""},
      {"D:", "movie", "quarnex -m \"D:\" \"movie\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(row.line, compose_run("quarnex -m ", row.destination, row.image));
  }
}

TEST(CommandLine, SelectedRunWithNothingSelectedHasNoFileWords) {
  EXPECT_EQ("quarnex -m \"D:\" \"E:\\a.pdi\"",
            compose_selected_run("quarnex -m ", "D:", "E:\\a.pdi", ""));
}

// Every path composed comes back from quarnex's splitting as exactly that
// word, in every position of every kind of line.
TEST(CommandLine, EveryComposedPathSplitsBackWhole) {
  const std::vector<std::string> paths = {
      "C:\\",
      "D:\\",
      "c:\\",
      "Z:\\out\\t7\\",
      "Z:\\out\\t7\\\\",            // two trailing backslashes
      "Z:\\out\\t7\\\\\\",        // three
      "\\\\server\\share\\",        // a share's root
      "\\\\server\\share\\sets\\a.pdi",
      "C:\\my sets\\movie one.pdi",   // blanks
      "C:\\a\\\\b\\\\\\c",          // doubled backslashes inside
      " D:\\out ",                    // blanks at either end
      "D:\\out\\ ",                   // a blank after the backslash
      "D:",
      "",
      "E:\\\xd0\x9f\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0\\\xe6\x98\xa0\xe7\x94\xbb.pdi",  // UTF-8
      "-r",                             // a path that looks like an option
  };
  for (const std::string& a : paths) {
    for (const std::string& b : paths) {
      SCOPED_TRACE("[" + a + "] [" + b + "]");
      EXPECT_EQ((std::vector<std::string>{"quarnex", "-r", "-v", "-m", a, b, "VTS_01_1.VOB;1"}),
                quarnex_words(compose_selected_run("quarnex -r -v -m ", a, b, " VTS_01_1.VOB;1")));
      EXPECT_EQ((std::vector<std::string>{"quarnex", "-i", a, b}),
                quarnex_words(compose_run("quarnex -i ", a, b)));
      EXPECT_EQ((std::vector<std::string>{"quarnex", "-gb", a, b}),
                quarnex_words(compose_list_run(a, b)));
    }
  }
}

// The fault a trailing backslash used to make: without the extra one the
// closing quote is taken as a character and the set's path joins the
// destination's word.
TEST(CommandLine, ATrailingBackslashAloneWouldSwallowTheNextWord) {
  std::vector<std::string> words = quarnex_words("quarnex -m \"Z:\\out\\t7\\\" \"Z:\\example.pdi\"");
  ASSERT_EQ(3u, words.size());
  EXPECT_EQ("Z:\\out\\t7\" Z:\\example.pdi", words[2]);
  EXPECT_EQ("\"Z:\\out\\t7\\\\\"", quoted_word("Z:\\out\\t7\\"));
}

}  // namespace
}  // namespace quarnpad
