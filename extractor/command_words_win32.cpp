#include "command_words.h"

#include <windows.h>

#include "word_split.h"

// Windows hands over one text; quarnex splits it by its own rules, not by
// the C runtime's.
std::vector<std::string> command_words(int, char**) { return split_command_line(GetCommandLineA()); }
