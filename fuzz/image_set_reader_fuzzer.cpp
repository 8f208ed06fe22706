// Fuzz target: the image-set reader and the directory lookup.
//
// The input is a set's whole stream (the 304-byte header, then the image)
// preceded by a few bytes that say where it is cut into members. The
// members are written to a scratch folder and opened as a set; random reads
// (offsets and lengths from the input) must give exactly the stream's bytes,
// and the directory lookup must find the same directory through the set as
// through the same bytes held in memory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "pdiset/directory.h"
#include "pdiset/image_set.h"
#include "pdiset/layout.h"

namespace {

[[noreturn]] void fail(const char* what, long long detail = 0) {
  fprintf(stderr, "invariant broken: %s %lld\n", what, detail);
  abort();
}

const std::string& scratch() {
  static const std::string folder = [] {
    char name[] = "/tmp/pdiset_fuzz_XXXXXX";
    if (!mkdtemp(name)) fail("no scratch folder");
    return std::string(name);
  }();
  return folder;
}

void write_file(const std::string& path, const uint8_t* bytes, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(bytes, 1, size, f) != size || fclose(f) != 0) fail("cannot write a member");
}

bool same_records(const pdiset::FoundDirectory& a, const pdiset::FoundDirectory& b) {
  if (a.source != b.source || a.sector != b.sector || a.name != b.name || a.records.size() != b.records.size())
    return false;
  for (size_t i = 0; i < a.records.size(); ++i)
    if (a.records[i].name != b.records[i].name || a.records[i].first_sector != b.records[i].first_sector ||
        a.records[i].data_length != b.records[i].data_length || a.records[i].flags != b.records[i].flags)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t members = 1 + data[0] % 8;
  if (size < 1 + 2 * members) return 0;
  const uint8_t* stream = data + 1 + 2 * members;
  size_t stream_size = size - 1 - 2 * members;

  // Member k (but the last) takes a size read from the input, cut to what is left.
  std::vector<size_t> sizes;
  size_t left = stream_size;
  for (size_t k = 0; k + 1 < members; ++k) {
    size_t want = size_t(data[1 + 2 * k]) | size_t(data[2 + 2 * k]) << 8;
    sizes.push_back(std::min(want, left));
    left -= sizes.back();
  }
  sizes.push_back(left);
  std::string set_name = scratch() + "/set.pdi";
  for (int k = 0; k < 10; ++k) unlink(pdiset::member_file_name(set_name, k).c_str());
  size_t at = 0;
  for (size_t k = 0; k < sizes.size(); ++k) {
    write_file(pdiset::member_file_name(set_name, static_cast<int>(k)), stream + at, sizes[k]);
    at += sizes[k];
  }

  pdiset::ImageSet set;
  if (pdiset::ImageSet::open(set_name, &set)) fail("the set cannot be opened");
  const int64_t image_size = std::max<int64_t>(0, int64_t(stream_size) - pdiset::kSetHeaderSize);
  if (set.image_size() != image_size) fail("image size", set.image_size());
  const uint8_t* image = stream + std::min<size_t>(stream_size, pdiset::kSetHeaderSize);

  std::mt19937 rng(static_cast<uint32_t>(size * 2654435761u) ^ data[size - 1]);
  std::vector<uint8_t> got(image_size + 4096);
  for (int i = 0; i < 16; ++i) {
    int64_t offset = rng() % (image_size + 2048 + 1);
    int64_t count = rng() % (image_size + 4096 - std::min<int64_t>(offset, image_size) + 1);
    count = std::min<int64_t>(count, int64_t(got.size()));
    pdiset::ReadOutcome read = set.read(offset, got.data(), count);
    if (read.failure) fail("a read failed", offset);
    int64_t expected = std::max<int64_t>(0, std::min(count, image_size - offset));
    if (read.bytes != expected) fail("read length", read.bytes);
    if (expected > 0 && memcmp(got.data(), image + offset, size_t(expected)) != 0) fail("read bytes", offset);
  }

  pdiset::MemoryImage memory(image, image_size);
  pdiset::FoundDirectory through_set, in_memory;
  if (pdiset::find_directory(set, &through_set) || pdiset::find_directory(memory, &in_memory))
    fail("the lookup failed");
  if (!same_records(through_set, in_memory)) fail("the lookup differs between set and memory");
  return 0;
}
