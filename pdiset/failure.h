// How the library reports a failure: what it was doing and the system's
// error number. The caller decides what to print and whether to go on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace pdiset {

struct Failure {
  std::string context;   // a file name, or what was being done
  int error_number = 0;  // errno; 0 when the bytes simply were not there
  std::optional<size_t> member = std::nullopt;  // the member of a set that failed, by index
};

// "context: error text", with "unexpected end of file" for error number 0.
std::string describe(const Failure& failure);

}  // namespace pdiset
