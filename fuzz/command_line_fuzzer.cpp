// Fuzz target: the command-line splitter and the option parser.
//
// The input is one command-line text, as Windows hands it over (up to its
// first zero byte). It is split into words; words that can be quoted are
// quoted again and must split back to themselves; the words are parsed into
// RunOptions, whose results must agree with the words; the file words are
// matched against names as file selection does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command_line.h"
#include "file_selection.h"
#include "word_split.h"
#include "pdiset/layout.h"
#include "pdiset/names.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail = "") {
  fprintf(stderr, "invariant broken: %s [%s]\n", what, detail.c_str());
  abort();
}

// A word can be quoted for the splitter unless it holds a backslash right
// before a double quote, or ends in a backslash (which would turn the
// closing quote into an ordinary one).
bool quotable(const std::string& w) {
  if (!w.empty() && w.back() == '\\') return false;
  for (size_t i = 1; i < w.size(); ++i)
    if (w[i] == '"' && w[i - 1] == '\\') return false;
  return true;
}

std::string quoted(const std::string& w) {
  std::string q = "\"";
  for (char c : w) {
    if (c == '"') q += '\\';
    q += c;
  }
  return q + "\"";
}

std::string upper(const std::string& s) {
  std::string u = s;
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

void check_split(const std::string& text, const std::vector<std::string>& words) {
  size_t total = 0;
  for (const std::string& w : words) {
    total += w.size();
    if (w.find('\0') != std::string::npos) fail("zero byte in a word");
  }
  if (total > text.size()) fail("words longer than the text");
  if (words.size() > text.size() / 2 + 1) fail("more words than blanks allow");

  std::string again;
  std::vector<std::string> kept;
  for (const std::string& w : words) {
    if (!quotable(w)) continue;
    again += quoted(w) + " ";
    kept.push_back(w);
  }
  std::vector<std::string> back = split_command_line(again.c_str());
  if (back != kept) fail("quoted words do not split back", again);
}

void check_options(const std::vector<std::string>& words) {
  RunOptions o;
  ParseResult result = parse_command_line(words, &o);
  if (result != kParsed) {
    if (words.size() >= 2 && result == kSelectionNotAllowed && !(o.iso_name || o.list_only))
      fail("selection refused outside listing and conversion");
    return;
  }
  if (o.image_word < 1 || static_cast<size_t>(o.image_word) >= words.size()) fail("image word out of range");
  bool file_words = static_cast<size_t>(o.image_word) + 1 < words.size();
  if (file_words && (o.iso_name || o.list_only)) fail("file words accepted outside extraction");
  if (o.iso_name && !pdiset::ends_with_ignoring_ascii_case(*o.iso_name, ".iso")) fail("iso name without .iso", *o.iso_name);
  if (o.list_file && !o.list_only) fail("list file outside listing mode");
  if (o.list_format < 0 || o.list_format > 3) fail("list format");
  if (o.make_directory && !o.output_directory) fail("-m without a directory");
  std::string set_name = pdiset::with_extension(words[o.image_word], pdiset::kSetExtension);
  if (!pdiset::ends_with_ignoring_ascii_case(set_name, ".pdi")) fail("set name without .pdi", set_name);

  // File selection: every word names a file of its own name, whatever the
  // letter case; "*" names everything.
  for (size_t i = o.image_word + 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (!file_word_matches(w, w) || !file_word_matches(w, upper(w)) || !file_word_matches(upper(w), w))
      fail("word does not name its own file", w);
    if (!file_word_matches("*", w)) fail("* does not match", w);
    if (w.empty() || w.back() != '*') {
      if (file_word_matches(w, w + "x")) fail("exact word matches a longer name", w);
    } else if (!file_word_matches(w, w.substr(0, w.size() - 1) + "ANY")) {
      fail("prefix word does not match a longer name", w);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  std::vector<std::string> words = split_command_line(text.c_str());
  check_split(text, words);
  check_options(words);
  return 0;
}
