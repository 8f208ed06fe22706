// The words of quarnex's command line, word 0 being the program's own path.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> command_words(int argc, char** argv);
