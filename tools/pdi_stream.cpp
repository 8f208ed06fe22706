// Image bytes on demand, and writing them out as a .pdi set or a plain image.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "pdi_maker.h"

namespace pdi_maker {
namespace {

const size_t kChunk = 4 << 20;

uint64_t splitmix64(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// One 64-bit word of content covers image bytes 8*word .. 8*word+7.
uint64_t content_word(uint64_t seed_key, uint64_t word) { return splitmix64(word ^ seed_key); }

uint64_t seed_key(uint32_t seed) { return splitmix64(0x5044490000000000ull ^ seed); }

void fill_content(uint32_t seed, uint64_t pos, uint8_t* out, size_t count) {
  uint64_t key = seed_key(seed);
  size_t i = 0;
  for (; i < count && (pos + i) % 8 != 0; ++i) out[i] = content_byte(seed, pos + i);
  for (; i + 8 <= count; i += 8) {
    uint64_t w = content_word(key, (pos + i) / 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    memcpy(out + i, &w, 8);  // byte k of the word is w >> 8k, as below
#else
    for (int k = 0; k < 8; ++k) out[i + k] = uint8_t(w >> (8 * k));
#endif
  }
  for (; i < count; ++i) out[i] = content_byte(seed, pos + i);
}

struct Span {
  uint64_t begin;
  uint64_t end;
};

// File data beyond the metadata as sorted, merged byte ranges.
std::vector<Span> data_spans(const Image& image) {
  std::vector<Span> spans;
  for (const PlacedFile& f : image.files) {
    uint64_t begin = uint64_t(f.first_sector) * kSectorSize;
    uint64_t end = begin + f.size;
    begin = std::max<uint64_t>(begin, image.metadata.size());
    if (begin < end) spans.push_back(Span{begin, end});
  }
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
  std::vector<Span> merged;
  for (const Span& s : spans) {
    if (!merged.empty() && s.begin <= merged.back().end) {
      merged.back().end = std::max(merged.back().end, s.end);
    } else {
      merged.push_back(s);
    }
  }
  return merged;
}

const char kHeaderText[] = "PDI-SET test image set, made by pdi_maker";

void set_error(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Writes stream bytes [begin, end) to an open file.
bool write_range(FILE* f, const Image& image, uint64_t begin, uint64_t end,
                 std::vector<uint8_t>* buffer, bool with_header) {
  buffer->resize(kChunk);
  for (uint64_t pos = begin; pos < end;) {
    size_t n = size_t(std::min<uint64_t>(kChunk, end - pos));
    if (with_header) {
      stream_bytes(image, pos, buffer->data(), n);
    } else {
      image_bytes(image, pos, buffer->data(), n);
    }
    if (fwrite(buffer->data(), 1, n, f) != n) return false;
    pos += n;
  }
  return true;
}

// Creates path holding stream bytes [begin, end); checks the write and the close.
bool write_file(const std::string& path, const Image& image, uint64_t begin, uint64_t end,
                std::vector<uint8_t>* buffer, bool with_header, std::string* error) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) {
    set_error(error, "cannot create " + path + ": " + strerror(errno));
    return false;
  }
  bool ok = write_range(f, image, begin, end, buffer, with_header);
  int write_errno = errno;
  if (fclose(f) != 0 && ok) {
    ok = false;
    write_errno = errno;
  }
  if (!ok) set_error(error, "cannot write " + path + ": " + strerror(write_errno));
  return ok;
}

}  // namespace

uint8_t content_byte(uint32_t seed, uint64_t pos) {
  return uint8_t(content_word(seed_key(seed), pos / 8) >> (8 * (pos % 8)));
}

uint8_t image_byte(const Image& image, uint64_t pos) {
  if (pos < image.metadata.size()) return image.metadata[size_t(pos)];
  for (const PlacedFile& f : image.files) {
    uint64_t begin = uint64_t(f.first_sector) * kSectorSize;
    if (pos >= begin && pos < begin + f.size) return content_byte(image.seed, pos);
  }
  return 0;
}

void image_bytes(const Image& image, uint64_t pos, uint8_t* out, size_t count) {
  uint64_t meta = image.metadata.size();
  if (pos < meta) {
    size_t n = size_t(std::min<uint64_t>(count, meta - pos));
    memcpy(out, &image.metadata[size_t(pos)], n);
    pos += n;
    out += n;
    count -= n;
  }
  if (count == 0) return;
  std::vector<Span> spans = data_spans(image);
  auto it = std::upper_bound(spans.begin(), spans.end(), pos,
                             [](uint64_t p, const Span& s) { return p < s.end; });
  while (count > 0) {
    size_t n = count;
    if (it == spans.end()) {
      memset(out, 0, n);
    } else if (pos < it->begin) {
      n = size_t(std::min<uint64_t>(count, it->begin - pos));
      memset(out, 0, n);
    } else {
      n = size_t(std::min<uint64_t>(count, it->end - pos));
      fill_content(image.seed, pos, out, n);
      ++it;
    }
    pos += n;
    out += n;
    count -= n;
  }
}

void stream_header(uint8_t* out) {
  for (int i = 0; i < kSetHeaderSize; ++i) out[i] = uint8_t(0x80 | (i * 37 % 128));
  memcpy(out, kHeaderText, sizeof kHeaderText - 1);
}

void stream_bytes(const Image& image, uint64_t pos, uint8_t* out, size_t count) {
  if (pos < uint64_t(kSetHeaderSize)) {
    uint8_t header[kSetHeaderSize];
    stream_header(header);
    size_t n = std::min<size_t>(count, size_t(kSetHeaderSize - pos));
    memcpy(out, header + pos, n);
    pos += n;
    out += n;
    count -= n;
  }
  if (count > 0) image_bytes(image, pos - kSetHeaderSize, out, count);
}

uint64_t stream_size(const Image& image) {
  return kSetHeaderSize + image.sector_count * kSectorSize;
}

std::string member_name(const std::string& set_name, size_t index) {
  return pdiset::member_file_name(set_name + ".pdi", int(index));
}

std::vector<std::string> write_set(const Image& image, const std::string& set_name,
                                   const std::vector<uint64_t>& member_sizes,
                                   std::string* error) {
  uint64_t total = stream_size(image);
  std::vector<uint64_t> sizes;
  uint64_t sum = 0;
  for (uint64_t s : member_sizes) {
    if (s > total - sum) {
      set_error(error, "member sizes add up to more than the " + std::to_string(total) +
                           "-byte stream");
      return {};
    }
    sum += s;
    sizes.push_back(s);
  }
  if (sum < total) sizes.push_back(total - sum);

  std::vector<std::string> names;
  std::vector<uint8_t> buffer;
  uint64_t begin = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    std::string name = member_name(set_name, i);
    if (!write_file(name, image, begin, begin + sizes[i], &buffer, true, error)) {
      // No half-written set; a device or the like given as a name is left alone.
      names.push_back(name);
      for (const std::string& done : names) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(done, ec)) std::filesystem::remove(done, ec);
      }
      return {};
    }
    names.push_back(name);
    begin += sizes[i];
  }
  return names;
}

bool write_iso(const Image& image, const std::string& path, std::string* error) {
  std::vector<uint8_t> buffer;
  return write_file(path, image, 0, image.sector_count * kSectorSize, &buffer, false, error);
}

}  // namespace pdi_maker
