// The quarnex run from its start: echo, banner, options, listing, list file,
// then extraction or conversion.
#pragma once

#include <string>
#include <vector>

extern const char kBanner[];

[[noreturn]] void run_quarnex(const std::vector<std::string>& words);
