#include "command_words.h"

#include <windows.h>

#include <cstdio>

#include "word_split.h"

// Windows hands over one text; quarnex splits it by its own rules, not by
// the C runtime's. The wide form is taken, as UTF-8, so that names outside
// the code page arrive whole; the splitting's blanks, quotes and
// backslashes are the same bytes in UTF-8.
std::vector<std::string> command_words(int, char**) {
  // The C runtime buffers standard error when it is a file or a pipe; a run
  // ended at once (the front end stops it so) must leave every byte it
  // printed, the line of the output it was writing included.
  setvbuf(stderr, nullptr, _IONBF, 0);
  const wchar_t* line = GetCommandLineW();
  int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return split_command_line(GetCommandLineA());
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], length, nullptr, nullptr);
  return split_command_line(text.c_str());
}
