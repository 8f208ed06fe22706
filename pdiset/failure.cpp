#include "failure.h"

#include <cstring>

namespace pdiset {

std::string describe(const Failure& failure) {
  std::string text = failure.error_number == 0 ? "unexpected end of file" : strerror(failure.error_number);
  return failure.context.empty() ? text : failure.context + ": " + text;
}

}  // namespace pdiset
