// Path fields before they go onto a command line: Explorer's quotes off,
// a quote left inside found, dropped files told apart.
#include "path_field.h"

#include "text_cases.h"

namespace quarnpad {
namespace {

TEST(PathField, SurroundingQuotesComeOff) {
  expect_texts({{"\"C:\\sets\\a b.pdi\"", "C:\\sets\\a b.pdi"},  // "Copy as path"
                {"  \"D:\\out\" ", "D:\\out"},
                {"\"\"", ""},
                {"\"", "\""},                                    // one quote is not a pair
                {"\"D:\\out", "\"D:\\out"},
                {"D:\\out\"", "D:\\out\""},
                {"Z:\\out\\q\" -r -d \"Z:\\out\\q2", "Z:\\out\\q\" -r -d \"Z:\\out\\q2"},
                {"\"a\" \"b\"", "a\" \"b"},                      // still holds quotes: refused
                {"D:\\plain", "D:\\plain"},
                {"", ""}},
               without_surrounding_quotes);
}

TEST(PathField, AQuoteAnywhereIsFound) {
  EXPECT_TRUE(holds_double_quote("Z:\\out\\q\" -r -d \"Z:\\out\\q2"));
  EXPECT_TRUE(holds_double_quote("\""));
  EXPECT_FALSE(holds_double_quote("C:\\a 'b'\\c.pdi"));
  EXPECT_FALSE(holds_double_quote(""));
}

TEST(PathField, SetFilesEndInPdi) {
  for (const char* yes : {"Z:\\a\\example.pdi", "E:\\B.PDI", "x.Pdi"}) EXPECT_TRUE(is_set_file(yes)) << yes;
  for (const char* no : {"Z:\\a\\example.pdi01", "Z:\\a\\notes.txt", ".pdi", "Z:\\pdi", ""})
    EXPECT_FALSE(is_set_file(no)) << no;
}

}  // namespace
}  // namespace quarnpad
