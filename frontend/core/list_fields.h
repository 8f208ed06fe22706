// Reads the list file back as a comma-separated text read does, one field
// after another until the end of the file. A line of the list file
// ("VIDEO_TS.IFO;1 12288", CR LF) has neither comma nor double quote, so it
// comes back whole as one field.
#pragma once

#include <string>
#include <vector>

namespace quarnpad {

// Every field of the text, in order:
// - blanks before a field are skipped;
// - an unquoted field ends at a comma or at the line end (CR LF, or a lone
//   CR or LF);
// - a field that starts with a double quote runs to the next double quote,
//   and whatever follows it up to the comma or line end is dropped;
// - the comma or line end that ends a field is consumed with it.
// Reading stops when the end of the text is reached before a field, so an
// empty text gives no field and a last line without line end still counts.
std::vector<std::string> read_fields(const std::string& text);

}  // namespace quarnpad
