// Image bytes read at any offset: a set of members, or bytes in memory for
// tests and fuzzing. The directory lookup reads through this.
#pragma once

#include <cstdint>
#include <optional>

#include "failure.h"

namespace pdiset {

struct ReadOutcome {
  int64_t bytes = 0;               // bytes read before the end or the failure
  std::optional<Failure> failure;  // set when a read failed
};

class ImageSource {
 public:
  virtual ~ImageSource() = default;
  virtual int64_t image_size() const = 0;
  virtual ReadOutcome read(int64_t offset, void* buffer, int64_t count) const = 0;
};

// Image bytes held in memory.
class MemoryImage : public ImageSource {
 public:
  MemoryImage(const unsigned char* bytes, int64_t size) : bytes_(bytes), size_(size) {}
  int64_t image_size() const override { return size_; }
  ReadOutcome read(int64_t offset, void* buffer, int64_t count) const override;

 private:
  const unsigned char* bytes_;
  int64_t size_;
};

}  // namespace pdiset
