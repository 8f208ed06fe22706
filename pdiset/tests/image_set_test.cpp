// The reader against the set's bytes: any offset and length, across
// members and split sectors, from several threads at once.
#include "pdiset/image_set.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "pdiset/layout.h"

namespace {

namespace fs = std::filesystem;
using pdiset::kSetHeaderSize;

struct TempFolder {
  fs::path path;
  TempFolder() {
    path = fs::temp_directory_path() / ("pdiset_test_" + std::to_string(std::random_device{}()));
    fs::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

// The stream (header and image) cut at the given sizes; the last member
// takes the rest. Returns the set's name.
std::string write_members(const fs::path& folder, const std::vector<unsigned char>& stream,
                          const std::vector<size_t>& cuts) {
  std::string set_name = (folder / "movie.pdi").string();
  size_t at = 0;
  for (size_t k = 0; k <= cuts.size(); ++k) {
    size_t size = k < cuts.size() ? cuts[k] : stream.size() - at;
    std::ofstream out(pdiset::member_file_name(set_name, static_cast<int>(k)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(stream.data() + at), static_cast<std::streamsize>(size));
    at += size;
  }
  return set_name;
}

std::vector<unsigned char> random_stream(std::mt19937* rng, size_t size) {
  std::vector<unsigned char> stream(size);
  for (unsigned char& b : stream) b = static_cast<unsigned char>((*rng)());
  return stream;
}

TEST(ImageSet, RandomReadsGiveTheImageBytes) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    TempFolder folder;
    size_t size = kSetHeaderSize + 2048 * (1 + rng() % 40) + rng() % 2048;
    std::vector<unsigned char> stream = random_stream(&rng, size);
    // Cuts anywhere: inside the header, on sector boundaries, one byte
    // either side, members shorter than a sector, empty members.
    std::vector<size_t> cuts;
    size_t left = size;
    int members = 1 + static_cast<int>(rng() % 6);
    for (int k = 1; k < members && left > 0; ++k) {
      size_t cut;
      switch (rng() % 4) {
        case 0: cut = rng() % 300; break;
        case 1: cut = kSetHeaderSize + 2048 * (rng() % 8) + (rng() % 3) - 1; break;
        default: cut = rng() % (left + 1); break;
      }
      cut = std::min(cut, left);
      cuts.push_back(cut);
      left -= cut;
    }
    std::string name = write_members(folder.path, stream, cuts);
    pdiset::ImageSet set;
    ASSERT_FALSE(pdiset::ImageSet::open(name, &set));
    ASSERT_EQ(set.map().count(), cuts.size() + 1);
    const int64_t image_size = static_cast<int64_t>(size) - kSetHeaderSize;
    ASSERT_EQ(set.image_size(), image_size);
    EXPECT_EQ(set.whole_sectors(), image_size / 2048);
    std::vector<unsigned char> got(image_size + 100);
    for (int read = 0; read < 200; ++read) {
      int64_t offset = rng() % (image_size + 50);
      int64_t count = rng() % 5000;
      pdiset::ReadOutcome outcome = set.read(offset, got.data(), count);
      ASSERT_FALSE(outcome.failure);
      int64_t expected = std::max<int64_t>(0, std::min(count, image_size - offset));
      ASSERT_EQ(outcome.bytes, expected) << "offset " << offset << " count " << count;
      ASSERT_TRUE(std::equal(got.begin(), got.begin() + expected, stream.begin() + kSetHeaderSize + offset));
    }
  }
}

TEST(ImageSet, ThreadsReadAtOnceWithoutDisturbingEachOther) {
  std::mt19937 rng(11);
  TempFolder folder;
  std::vector<unsigned char> stream = random_stream(&rng, kSetHeaderSize + 2048 * 300 + 77);
  std::string name = write_members(folder.path, stream, {100000, 1, 2047, 200000});
  pdiset::ImageSet set;
  ASSERT_FALSE(pdiset::ImageSet::open(name, &set));
  const int64_t image_size = set.image_size();
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 own(100 + t);
      std::vector<unsigned char> got(70000);
      for (int i = 0; i < 500; ++i) {
        int64_t offset = own() % image_size;
        int64_t count = std::min<int64_t>(own() % 70000, image_size - offset);
        pdiset::ReadOutcome outcome = set.read(offset, got.data(), count);
        if (outcome.failure || outcome.bytes != count ||
            !std::equal(got.begin(), got.begin() + count, stream.begin() + kSetHeaderSize + offset))
          ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST(ImageSet, OpeningNamesWhatIsMissing) {
  TempFolder folder;
  pdiset::ImageSet set;
  std::optional<pdiset::Failure> failure = pdiset::ImageSet::open((folder.path / "nosuch.pdi").string(), &set);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->context, (folder.path / "nosuch.pdi").string());
  EXPECT_EQ(failure->error_number, ENOENT);
  EXPECT_EQ(pdiset::describe(*failure), failure->context + ": " + strerror(ENOENT));
}

// A member cut short after the set was opened: reads that need its lost
// bytes fail and name it; everything else still reads right.
TEST(ImageSet, AMemberCutShortLaterFailsOnlyTheReadsThatNeedIt) {
  std::mt19937 rng(3);
  TempFolder folder;
  std::vector<unsigned char> stream = random_stream(&rng, kSetHeaderSize + 2048 * 20);
  std::string name = write_members(folder.path, stream, {kSetHeaderSize + 2048 * 5 + 100, 2048 * 5});
  pdiset::ImageSet set;
  ASSERT_FALSE(pdiset::ImageSet::open(name, &set));
  std::error_code refused;
  fs::resize_file(pdiset::member_file_name(name, 1), 1000, refused);
  // Windows does not let a file that is open for reading be cut.
  if (refused) GTEST_SKIP() << "a member open for reading cannot be cut here: " << refused.message();

  std::vector<unsigned char> got(2048 * 20);
  pdiset::ReadOutcome before = set.read(0, got.data(), 2048 * 5);
  EXPECT_FALSE(before.failure);
  EXPECT_EQ(before.bytes, 2048 * 5);
  pdiset::ReadOutcome across = set.read(2048 * 5, got.data(), 2048 * 2);
  ASSERT_TRUE(across.failure.has_value());
  EXPECT_EQ(across.failure->context, pdiset::member_file_name(name, 1));
  pdiset::ReadOutcome after = set.read(2048 * 15, got.data(), 2048 * 5);
  EXPECT_FALSE(after.failure);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + after.bytes, stream.begin() + kSetHeaderSize + 2048 * 15));
}

}  // namespace
