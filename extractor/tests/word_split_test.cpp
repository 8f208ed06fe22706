#include "word_split.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> words;
};

TEST(SplitCommandLine, FollowsTheFourWordRules) {
  const SplitCase cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"quarnex -l movie", {"quarnex", "-l", "movie"}},
      {"  quarnex\t-l \t movie  ", {"quarnex", "-l", "movie"}},
      // Quotes switch quoting anywhere in a word and are not part of it.
      {"a \"b c\" d", {"a", "b c", "d"}},
      {"ab\"c d\"e f", {"abc de", "f"}},
      {"\"\"", {""}},
      {"x \"\" y", {"x", "", "y"}},
      {"\"unterminated word", {"unterminated word"}},
      // A backslash before a quote makes the quote an ordinary character.
      {"a\\\"b", {"a\"b"}},
      {"\"a\\\" b\"", {"a\" b"}},
      // Two backslashes before a quote: the second is dropped and the quote
      // switches quoting.
      {"a\\\\\"b c\"", {"a\\b c"}},
      // Other backslashes are ordinary, doubled or not.
      {"C:\\dvd\\movie.pdi", {"C:\\dvd\\movie.pdi"}},
      {"\\\\server\\share", {"\\\\server\\share"}},
      // A quoted drive root swallows its closing quote and joins the next path.
      {"quarnex -m \"D:\\\" \"E:\\images\\movie.pdi\"",
       {"quarnex", "-m", "D:\" E:\\images\\movie.pdi"}},
      // Without the backslash the two paths are two words.
      {"quarnex -m \"D:\" \"E:\\images\\movie.pdi\"", {"quarnex", "-m", "D:", "E:\\images\\movie.pdi"}},
      // The front end's selected-files line.
      {"quarnex -v -m \"D:\\out\" \"C:\\dvd\\movie.pdi\" VIDEO_TS.IFO;1 VTS_01_1.VOB;1",
       {"quarnex", "-v", "-m", "D:\\out", "C:\\dvd\\movie.pdi", "VIDEO_TS.IFO;1", "VTS_01_1.VOB;1"}},
  };
  for (const SplitCase& c : cases) EXPECT_EQ(split_command_line(c.line), c.words) << "line: " << c.line;
}

}  // namespace
