#include "image_set.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "layout.h"

namespace pdiset {

ReadOutcome MemoryImage::read(int64_t offset, void* buffer, int64_t count) const {
  ReadOutcome outcome;
  if (offset < 0 || count <= 0 || offset >= size_) return outcome;
  outcome.bytes = std::min(count, size_ - offset);
  memcpy(buffer, bytes_ + offset, static_cast<size_t>(outcome.bytes));
  return outcome;
}

ImageSet::ImageSet(ImageSet&& other) noexcept { *this = std::move(other); }

ImageSet& ImageSet::operator=(ImageSet&& other) noexcept {
  if (this != &other) {
    close();
    set_name_ = std::move(other.set_name_);
    names_ = std::move(other.names_);
    map_ = std::move(other.map_);
    files_ = std::move(other.files_);
    other.names_.clear();
    other.map_ = MemberMap();
    other.files_.clear();
  }
  return *this;
}

ImageSet::~ImageSet() { close(); }

void ImageSet::close() {
  for (PositionalFile file : files_) close_positional(file);
  files_.clear();
}

std::optional<Failure> ImageSet::open(const std::string& set_name, ImageSet* set) {
  ImageSet opened;
  opened.set_name_ = set_name;
  for (int index = 0;; ++index) {
    std::string name = member_file_name(set_name, index);
    PositionalFile file = open_positional(name.c_str());
    if (file == kNoPositionalFile) {
      // The set ends at the first continuation member that cannot be
      // opened, normally the first name that is not there.
      if (index == 0) return Failure{name, errno, 0};
      break;
    }
    int64_t size = positional_size(file);
    if (size < 0) {
      Failure failure{name, errno, static_cast<size_t>(index)};
      close_positional(file);
      if (index == 0) return failure;
      break;
    }
    opened.files_.push_back(file);
    opened.names_.push_back(name);
    opened.map_.add_member(size);
  }
  *set = std::move(opened);
  return std::nullopt;
}

ReadOutcome ImageSet::read(int64_t offset, void* buffer, int64_t count) const {
  ReadOutcome outcome;
  if (offset < 0 || count <= 0 || files_.size() != map_.count()) return outcome;
  unsigned char* out = static_cast<unsigned char*>(buffer);
  int64_t position = offset;
  int64_t end = std::min(offset + count, image_size());
  size_t index = 0, last = 0;
  map_.members_holding(position, end, &index, &last);
  for (; position < end && index < last; ++index) {
    int64_t in_member = map_.offset_in_member(index, position);
    if (in_member >= map_.size(index)) continue;  // an empty member
    int64_t want = std::min(end - position, map_.size(index) - in_member);
    int64_t got = read_at(files_[index], out + outcome.bytes, want, in_member);
    if (got < 0) {
      outcome.failure = Failure{names_[index], errno, index};
      return outcome;
    }
    outcome.bytes += got;
    position += got;
    if (got < want) {
      // Shorter than when it was measured: its bytes are no longer all there.
      outcome.failure = Failure{names_[index], 0, index};
      return outcome;
    }
  }
  return outcome;
}

bool ImageSet::member_unchanged(size_t index) const {
  if (index >= map_.count() || files_.size() != map_.count()) return false;
  return still_at_path(files_[index], names_[index].c_str()) && positional_size(files_[index]) >= map_.size(index);
}

}  // namespace pdiset
