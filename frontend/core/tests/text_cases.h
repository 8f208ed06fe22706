#ifndef QUARNPAD_CORE_TESTS_TEXT_CASES_H
#define QUARNPAD_CORE_TESTS_TEXT_CASES_H

// The front end's text tables: each case's input, given to the rule under
// test, must give its expected text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarnpad {

struct TextCase {
  const char* input;
  const char* expected;
};

template <typename Rule>
void expect_texts(const std::vector<TextCase>& cases, Rule rule) {
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(std::string(c.expected), rule(c.input));
  }
}

}  // namespace quarnpad

#endif
