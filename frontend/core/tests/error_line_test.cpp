// The reason line picked out of quarnex's standard error.
#include "error_line.h"

#include <gtest/gtest.h>

#include <string>

namespace quarnpad {
namespace {

// What quarnex writes before anything else: the echoed words and a banner
// between blank lines.
const std::string kStart =
    "quarnex -gb C:\\t\\pdilist.txt Z:\\sets\\nosuch.pdi\n\n$Id: quarnex,v 1.5 $\n\n";

TEST(ErrorLine, ReasonBeforeTheReturnPrompt) {
  struct Row {
    const char* name;
    std::string error_output;
    std::string expected;
  };
  const Row rows[] = {
      {"missing set, LF",
       kStart + "Z:\\sets\\nosuch.pdi: No such file or directory\n\n\aHit <RETURN> to continue\n",
       "Z:\\sets\\nosuch.pdi: No such file or directory"},
      {"missing set, CR LF",
       "a\r\nZ:\\x.pdi: Permission denied\r\n\r\n\aHit <RETURN> to continue\r\n",
       "Z:\\x.pdi: Permission denied"},
      {"message and prompt on one fatal call",
       kStart + "Z:\\x.pdi: not a pdi image set\n\aHit <RETURN> to continue\n",
       "Z:\\x.pdi: not a pdi image set"},
      {"the bell on a line of its own", "E:\\a.pdi: Bad file\n\a\nHit <RETURN> to continue\n",
       "E:\\a.pdi: Bad file"},
      {"no final line end", "first\nE:\\a.pdi: unexpected end of file", "E:\\a.pdi: unexpected end of file"},
      {"blanks around the line", "  E:\\a b.pdi: gone \t\n", "E:\\a b.pdi: gone"},
      {"only the prompt", "\n\aHit <RETURN> to continue\n", ""},
      {"nothing at all", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.expected, quarnex_error_line(row.error_output));
  }
}

// A line that merely contains the prompt's words is a reason of its own.
TEST(ErrorLine, OnlyTheWholePromptIsPassedOver) {
  EXPECT_EQ("Hit <RETURN> to continue later", quarnex_error_line("Hit <RETURN> to continue later\n"));
}

}  // namespace
}  // namespace quarnpad
