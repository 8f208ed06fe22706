#include "command_words.h"

// The shell has already split the words.
std::vector<std::string> command_words(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}
