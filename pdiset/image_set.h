// A .pdi set opened for reading: every member found and measured, and the
// image's bytes read at any offset, across members and split sectors.
//
// Reads are positional and keep no shared position, so one ImageSet may be
// read from several threads at once; a read allocates nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "failure.h"
#include "image_source.h"
#include "member_map.h"
#include "positional_file.h"

namespace pdiset {

class ImageSet : public ImageSource {
 public:
  ImageSet() = default;
  ImageSet(const ImageSet&) = delete;
  ImageSet& operator=(const ImageSet&) = delete;
  ImageSet(ImageSet&& other) noexcept;
  ImageSet& operator=(ImageSet&& other) noexcept;
  ~ImageSet() override;

  // Opens set_name (the first member) and every continuation member up to
  // the first one that cannot be opened or measured, normally the first name
  // that does not exist. Fails only when the first member cannot be.
  static std::optional<Failure> open(const std::string& set_name, ImageSet* set);

  const std::string& set_name() const { return set_name_; }
  // NAME.pdi, NAME.pdi01, ... and where each lies, measured when the set
  // was opened.
  const std::vector<std::string>& member_names() const { return names_; }
  const MemberMap& map() const { return map_; }

  // The image bytes the set holds: all members less the 304-byte header,
  // and the whole sectors among them.
  int64_t image_size() const override { return map_.image_size(); }
  int64_t whole_sectors() const { return map_.whole_sectors(); }

  // Reads count image bytes from image byte offset (0 = the first byte of
  // sector 0). Returns the bytes read: fewer than count only where the set
  // ends. A member that can no longer be read, or is shorter than when the
  // set was opened, is a failure naming that member.
  ReadOutcome read(int64_t offset, void* buffer, int64_t count) const override;

  // True while member index is still the file that was opened at its name
  // and at least as long as when it was measured: false once it has been
  // removed, replaced or cut short (its old bytes may still read from the
  // open file, but the set no longer holds them).
  bool member_unchanged(size_t index) const;

  // Closes every member (quarnex does this before it deletes any).
  void close();

 private:
  std::string set_name_;
  std::vector<std::string> names_;
  MemberMap map_;
  std::vector<PositionalFile> files_;
};

}  // namespace pdiset
