#include "command_line.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> words_of(std::vector<std::string> rest) {
  rest.insert(rest.begin(), "quarnex");
  return rest;
}

TEST(ParseCommandLine, OptionsAndTheirWords) {
  struct Case {
    std::vector<std::string> words;
    bool list_only, make_directory, video_ts, remove_members;
    const char* output_directory;  // nullptr: none
    const char* iso_name;
    const char* list_file;
    ListFormat list_format;
    int image_word;
  };
  const Case cases[] = {
      {{"movie"}, false, false, false, false, nullptr, nullptr, nullptr, kListNames, 1},
      {{"-l", "movie"}, true, false, false, false, nullptr, nullptr, nullptr, kListNames, 2},
      {{"-L", "MOVIE.PDI"}, true, false, false, false, nullptr, nullptr, nullptr, kListNames, 2},
      {{"-list", "-Verbose", "movie"}, true, false, true, false, nullptr, nullptr, nullptr, kListNames, 3},
      {{"-lx", "movie"}, true, false, false, false, nullptr, nullptr, nullptr, kListNames, 2},
      {{"-i", "out", "movie"}, false, false, false, false, nullptr, "out.iso", nullptr, kListNames, 3},
      {{"-i", "OUT.ISO", "movie"}, false, false, false, false, nullptr, "OUT.ISO", nullptr, kListNames, 3},
      {{"-i", "a", "-i", "b.iso", "movie"}, false, false, false, false, nullptr, "b.iso", nullptr, kListNames, 5},
      {{"-r", "-d", "out", "movie"}, false, false, false, true, "out", nullptr, nullptr, kListNames, 4},
      {{"-d", "a", "-m", "b", "movie"}, false, true, false, false, "b", nullptr, nullptr, kListNames, 5},
      {{"-m", "b", "-d", "a", "movie"}, false, true, false, false, "a", nullptr, nullptr, kListNames, 5},
      // A taken word is used unchanged even when it begins with "-".
      {{"-d", "-l", "movie"}, false, false, false, false, "-l", nullptr, nullptr, kListNames, 3},
      {{"-x", "movie"}, false, true, true, true, "movie", nullptr, nullptr, kListNames, 2},
      {{"-x", "movie.PDI"}, false, true, true, true, "movie", nullptr, nullptr, kListNames, 2},
      {{"-x", ".pdi"}, false, true, true, true, ".pdi", nullptr, nullptr, kListNames, 2},
      {{"-x", "dir/movie.pdi"}, false, true, true, true, "dir/movie", nullptr, nullptr, kListNames, 2},
      {{"-gb", "list.txt", "movie"}, true, false, false, false, nullptr, nullptr, "list.txt", kListNameBlankSize, 3},
      {{"-GB", "list.txt", "movie"}, true, false, false, false, nullptr, nullptr, "list.txt", kListNameBlankSize, 3},
      {{"-gl", "a", "movie"}, true, false, false, false, nullptr, nullptr, "a", kListNames, 3},
      {{"-gs", "a", "movie"}, true, false, false, false, nullptr, nullptr, "a", kListNameCommaSize, 3},
      {{"-gFxyz", "a", "movie"}, true, false, false, false, nullptr, nullptr, "a", kListNameThenSize, 3},
      {{"-gs", "a", "-gb", "b", "movie"}, true, false, false, false, nullptr, nullptr, "b", kListNameBlankSize, 5},
      {{"-n", "foo", "-l", "movie"}, true, false, false, false, nullptr, nullptr, nullptr, kListNames, 4},
      {{"-n", "-x", "movie"}, false, false, false, false, nullptr, nullptr, nullptr, kListNames, 3},
      // Everything after the image name is a file word, even "-l".
      {{"movie", "-l"}, false, false, false, false, nullptr, nullptr, nullptr, kListNames, 1},
      {{"-v", "movie", "vts_01*", "x"}, false, false, true, false, nullptr, nullptr, nullptr, kListNames, 2},
      {{"-l", "-i", "out", "movie"}, true, false, false, false, nullptr, "out.iso", nullptr, kListNames, 4},
  };
  for (const Case& c : cases) {
    RunOptions o;
    std::string shown;
    for (const std::string& w : c.words) shown += w + " ";
    ASSERT_EQ(parse_command_line(words_of(c.words), &o), kParsed) << shown;
    EXPECT_EQ(o.list_only, c.list_only) << shown;
    EXPECT_EQ(o.make_directory, c.make_directory) << shown;
    EXPECT_EQ(o.video_ts, c.video_ts) << shown;
    EXPECT_EQ(o.remove_members, c.remove_members) << shown;
    EXPECT_EQ(o.output_directory.value_or("<none>"), c.output_directory ? c.output_directory : "<none>") << shown;
    EXPECT_EQ(o.iso_name.value_or("<none>"), c.iso_name ? c.iso_name : "<none>") << shown;
    EXPECT_EQ(o.list_file.value_or("<none>"), c.list_file ? c.list_file : "<none>") << shown;
    EXPECT_EQ(o.list_format, c.list_format) << shown;
    EXPECT_EQ(o.image_word, c.image_word) << shown;
  }
}

TEST(ParseCommandLine, RefusesWhatTheRulesDoNotAllow) {
  struct Case {
    std::vector<std::string> words;
    ParseResult result;
  };
  const Case cases[] = {
      {{}, kShowUsage},
      {{"-l"}, kShowUsage},
      {{"-"}, kShowUsage},
      {{"-", "movie"}, kShowUsage},
      {{"-q", "movie"}, kShowUsage},
      {{"-g", "list.txt", "movie"}, kShowUsage},
      {{"-gx", "list.txt", "movie"}, kShowUsage},
      {{"-x"}, kShowUsage},
      {{"-x", "movie", "vts_01*"}, kShowUsage},
      {{"-r", "-x", "a", "b"}, kShowUsage},
      // The word after -x stays the image name; an option there leaves none.
      {{"-x", "-l"}, kShowUsage},
      {{"-d"}, kShowUsage},
      {{"-m"}, kShowUsage},
      {{"-i"}, kShowUsage},
      {{"-gb"}, kShowUsage},
      {{"-n"}, kShowUsage},
      {{"-d", "out"}, kShowUsage},
      {{"-i", "out", "movie", "vts_01*"}, kSelectionNotAllowed},
      {{"-l", "movie", "a"}, kSelectionNotAllowed},
      {{"-gb", "l.txt", "movie", "a"}, kSelectionNotAllowed},
      // An empty directory or image name would write at the root of the drive.
      {{"-d", "", "movie"}, kEmptyOutputDirectory},
      {{"-m", "", "movie"}, kEmptyOutputDirectory},
      {{"-m", "", "-v", "movie"}, kEmptyOutputDirectory},
      {{"-l", "-d", "", "movie"}, kEmptyOutputDirectory},
      {{"-x", ""}, kEmptyOutputDirectory},
      {{"-x", ".pdi"}, kParsed},
      {{"-d", "", "-d", "out", "movie"}, kParsed},
      {{"-i", "", "movie"}, kEmptyImageName},
      {{"-i", "", "-i", "a", "movie"}, kParsed},
      {{"-i", "", "movie", "a"}, kSelectionNotAllowed},
  };
  for (const Case& c : cases) {
    RunOptions o;
    std::string shown;
    for (const std::string& w : c.words) shown += w + " ";
    EXPECT_EQ(parse_command_line(words_of(c.words), &o), c.result) << shown;
  }
}

}  // namespace
