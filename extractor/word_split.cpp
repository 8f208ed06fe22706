#include "word_split.h"

static bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A double quote switches quoting on and off. A backslash right before a
// double quote makes the quote an ordinary character, unless that backslash
// itself follows a backslash: then the quote switches quoting and only the
// second backslash is dropped. Every other backslash is ordinary.
std::vector<std::string> split_command_line(const char* text) {
  std::vector<std::string> words;
  const char* p = text;
  for (;;) {
    while (is_blank(*p)) ++p;
    if (*p == '\0') break;
    std::string word;
    bool quoting = false;
    for (; *p != '\0'; ++p) {
      char c = *p;
      if (!quoting && is_blank(c)) break;
      if (c == '\\' && p[1] == '"') {
        bool after_backslash = p > text && p[-1] == '\\';
        ++p;  // the backslash is dropped
        if (after_backslash) quoting = !quoting;
        else word.push_back('"');
        continue;
      }
      if (c == '"') {
        quoting = !quoting;
        continue;
      }
      word.push_back(c);
    }
    words.push_back(word);
  }
  return words;
}
