// Splits a command line given as one text into words, the way Windows hands
// quarnex its command line and the front end relies on.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> split_command_line(const char* text);
