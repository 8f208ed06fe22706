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
    members_ = std::move(other.members_);
    files_ = std::move(other.files_);
    end_reason_ = std::move(other.end_reason_);
    other.members_.clear();
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
  int64_t stream_start = 0;
  for (int index = 0;; ++index) {
    std::string name = member_file_name(set_name, index);
    PositionalFile file = open_positional(name.c_str());
    if (file == kNoPositionalFile) {
      // The set ends at the first continuation member that cannot be
      // opened, normally the first name that is not there.
      if (index == 0) return Failure{name, errno};
      opened.end_reason_ = Failure{name, errno};
      break;
    }
    int64_t size = positional_size(file);
    if (size < 0) {
      Failure failure{name, errno};
      close_positional(file);
      if (index == 0) return failure;
      opened.end_reason_ = failure;
      break;
    }
    opened.files_.push_back(file);
    opened.members_.push_back(SetMember{name, size, stream_start});
    stream_start += size;
  }
  *set = std::move(opened);
  return std::nullopt;
}

int64_t ImageSet::image_size() const {
  if (members_.empty()) return 0;
  const SetMember& last = members_.back();
  return std::max<int64_t>(0, last.stream_start + last.size - kSetHeaderSize);
}

int64_t ImageSet::whole_sectors() const { return image_size() / kSectorSize; }

ReadOutcome ImageSet::read(int64_t offset, void* buffer, int64_t count) const {
  ReadOutcome outcome;
  if (offset < 0 || count <= 0 || files_.size() != members_.size()) return outcome;
  unsigned char* out = static_cast<unsigned char*>(buffer);
  int64_t position = offset + kSetHeaderSize;  // in the set's stream
  int64_t end = std::min(position + count, image_size() + kSetHeaderSize);
  // The first member that holds position: the last one starting at or before it.
  auto member = std::upper_bound(members_.begin(), members_.end(), position,
                                 [](int64_t p, const SetMember& m) { return p < m.stream_start; });
  size_t index = member == members_.begin() ? 0 : static_cast<size_t>(member - members_.begin()) - 1;
  for (; position < end && index < members_.size(); ++index) {
    const SetMember& m = members_[index];
    int64_t in_member = position - m.stream_start;
    if (in_member >= m.size) continue;  // an empty member
    int64_t want = std::min(end - position, m.size - in_member);
    int64_t got = read_at(files_[index], out + outcome.bytes, want, in_member);
    if (got < 0) {
      outcome.failure = Failure{m.name, errno};
      return outcome;
    }
    outcome.bytes += got;
    position += got;
    if (got < want) {
      // Shorter than when it was measured: its bytes are no longer all there.
      outcome.failure = Failure{m.name, 0};
      return outcome;
    }
  }
  return outcome;
}

bool ImageSet::member_unchanged(size_t index) const {
  if (index >= members_.size() || files_.size() != members_.size()) return false;
  return still_at_path(files_[index], members_[index].name.c_str()) &&
         positional_size(files_[index]) >= members_[index].size;
}

}  // namespace pdiset
