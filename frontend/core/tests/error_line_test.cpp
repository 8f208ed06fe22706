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

// A reason quarnex printed right after an output's progress: the two apart.
TEST(ErrorLine, ReasonSplitFromTheProgressBeforeIt) {
  struct Row {
    const char* line;
    const char* reason;
    const char* progress;
  };
  const Row rows[] = {
      {"writing Z:\\o\\VTS_01_3.VOB (1153 extents) Z:\\s\\example.pdi02: No such file or directory",
       "Z:\\s\\example.pdi02: No such file or directory", "writing Z:\\o\\VTS_01_3.VOB (1153 extents)"},
      {"writing Z:\\o\\VTS_01_1.VOB (9 extents) ..(Z:\\s\\example.pdi01)reading partial extent, "
       "second part: unexpected end of file",
       "reading partial extent, second part: unexpected end of file",
       "writing Z:\\o\\VTS_01_1.VOB (9 extents) ..(Z:\\s\\example.pdi01)"},
      {"(Z:\\s (2)\\example.PDI01)reading partial extent", "reading partial extent",
       "(Z:\\s (2)\\example.PDI01)"},                       // a ")" inside the member's path
      {"Z:\\s\\example.pdi: No such file or directory", "Z:\\s\\example.pdi: No such file or directory", ""},
      {"writing Z:\\o\\A.VOB (2 extents) ", "writing Z:\\o\\A.VOB (2 extents)", ""},  // nothing after it
      {"(not a member) failed", "(not a member) failed", ""},
      {"", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FailureLine split = split_failure_line(row.line);
    EXPECT_EQ(row.reason, split.reason);
    EXPECT_EQ(row.progress, split.progress);
  }
}

// What quarnex was writing when it was stopped: a last output line that no
// line end closed.
TEST(ErrorLine, OutputBeingWritten) {
  const std::string done = "writing D:\\o\\A.VOB (4 extents) ..\r\n";
  EXPECT_EQ("D:\\o\\B.VOB", output_being_written(kStart + done + "writing D:\\o\\B.VOB (9 extents) .(E:\\a.pdi01)."));
  EXPECT_EQ("D:\\my out (1)\\B.VOB", output_being_written("writing D:\\my out (1)\\B.VOB (9 extents) "));
  EXPECT_EQ("", output_being_written(kStart + done));       // between two outputs
  EXPECT_EQ("", output_being_written(kStart));              // none begun
  EXPECT_EQ("", output_being_written("writing D:\\o\\B.VOB"));  // not yet its count
}

}  // namespace
}  // namespace quarnpad
