#include "command_line.h"

#include "drive_root.h"
#include "name_list.h"
#include "run_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarnpad {
namespace {

// quarnex's own word splitting of a Windows command line, written down here
// to show that the lines we compose come apart into the intended words.
std::vector<std::string> quarnex_words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) return words;
    std::string word;
    bool quoting = false;
    while (i < line.size() && (quoting || (line[i] != ' ' && line[i] != '\t'))) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
        // two backslashes and a quote: one backslash stays, quoting switches;
        // one backslash and a quote: the quote is a character of the word.
        if (i > 0 && line[i - 1] == '\\') {
          quoting = !quoting;
        } else {
          word += '"';
        }
        i += 2;
      } else if (line[i] == '"') {
        quoting = !quoting;
        ++i;
      } else {
        word += line[i++];
      }
    }
    words.push_back(word);
  }
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
      {"D:\\movies\\", "x", "quarnex -m \"D:\\movies\\\" \"x\""},
      {"d:\\", "x", "quarnex -m \"d:\\\" \"x\""},
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

TEST(CommandLine, QuarnexSplitsComposedLinesIntoTheIntendedWords) {
  std::vector<std::string> words = quarnex_words(compose_list_run(
      "C:\\Users\\Jo Smith\\AppData\\Local\\Temp\\pdilist.txt", "E:\\my images\\movie.pdi"));
  EXPECT_EQ((std::vector<std::string>{"quarnex", "-gb",
                                      "C:\\Users\\Jo Smith\\AppData\\Local\\Temp\\pdilist.txt",
                                      "E:\\my images\\movie.pdi"}),
            words);

  words = quarnex_words(compose_selected_run("quarnex -r -v -m ", apply_drive_root("E:\\"),
                                             "E:\\a b.pdi", " VTS_01_1.VOB;1"));
  EXPECT_EQ((std::vector<std::string>{"quarnex", "-r", "-v", "-m", "E:", "E:\\a b.pdi",
                                      "VTS_01_1.VOB;1"}),
            words);
}

TEST(CommandLine, ADriveRootLeftWithItsBackslashJoinsTheWords) {
  // Why the rule exists: the backslash escapes the closing quote.
  std::vector<std::string> words = quarnex_words(compose_run("quarnex -m ", "D:\\", "E:\\a.pdi"));
  ASSERT_EQ(3u, words.size());
  EXPECT_EQ("D:\" E:\\a.pdi", words[2]);
}

}  // namespace
}  // namespace quarnpad
