// The command line: options into RunOptions, the argument-count rules, and
// default extensions.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The list file's line formats, by their -g letters l, s, f and b.
enum ListFormat {
  kListNames = 0,          // l: the name
  kListNameCommaSize = 1,  // s: name,size
  kListNameThenSize = 2,   // f: the name, then the size on a line of its own
  kListNameBlankSize = 3,  // b: name size (what the front end reads)
};

struct RunOptions {
  bool list_only = false;
  bool make_directory = false;
  bool video_ts = false;
  bool remove_members = false;  // goes into the engine state
  std::optional<std::string> output_directory;
  std::optional<std::string> iso_name;
  std::optional<std::string> list_file;
  ListFormat list_format = kListNames;
  int image_word = -1;  // index of the image name among the words
};

enum ParseResult {
  kParsed,
  kShowUsage,               // bad option, missing word, no image name
  kSelectionNotAllowed,     // file words outside extraction mode
  kEmptyOutputDirectory,    // -d, -m or -x given an empty word
  kEmptyImageName,          // -i given an empty word
};

ParseResult parse_command_line(const std::vector<std::string>& words, RunOptions* options);
