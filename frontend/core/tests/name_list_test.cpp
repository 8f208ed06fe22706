#include "name_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text_cases.h"

namespace quarnpad {
namespace {

TEST(NameList, EntryName) {
  expect_texts({
      {"VIDEO_TS.IFO;1 12288", "VIDEO_TS.IFO;1"},
      {"VTS_01_1.VOB;1 1073709056", "VTS_01_1.VOB;1"},
      {"A B 3", "A"},
      {"NOBLANK;1", "NOBLANK;1"},
      {" 12288", ""},
      {"", ""},
      {"TAB\tNAME 5", "TAB\tNAME"},
  }, entry_name);
}

const std::vector<std::string> kEntries = {
    "VIDEO_TS.IFO;1 12288", "VIDEO_TS.BUP;1 12288", "VTS_01_0.IFO;1 12288",
    "VTS_01_0.BUP;1 12288", "VTS_01_1.VOB;1 1073709056"};

// Selection flags as the list box holds them after the given clicks.
std::vector<bool> select_in_order(std::size_t count, const std::vector<int>& clicks) {
  std::vector<bool> selected(count, false);
  for (int index : clicks) selected[index] = true;
  return selected;
}

TEST(NameList, ListOrderWhateverTheClickOrder) {
  const std::vector<std::vector<int>> orders = {
      {0, 2, 4}, {4, 2, 0}, {2, 4, 0}, {4, 0, 2}};
  for (const std::vector<int>& clicks : orders) {
    SCOPED_TRACE(testing::Message() << clicks[0] << clicks[1] << clicks[2]);
    EXPECT_EQ(" VIDEO_TS.IFO;1 VTS_01_0.IFO;1 VTS_01_1.VOB;1",
              build_name_list(kEntries, select_in_order(kEntries.size(), clicks)));
  }
}

TEST(NameList, NothingSelectedIsEmpty) {
  EXPECT_EQ("", build_name_list(kEntries, std::vector<bool>(kEntries.size(), false)));
  EXPECT_EQ("", build_name_list({}, {}));
}

TEST(NameList, EverySelected) {
  EXPECT_EQ(" VIDEO_TS.IFO;1 VIDEO_TS.BUP;1 VTS_01_0.IFO;1 VTS_01_0.BUP;1 VTS_01_1.VOB;1",
            build_name_list(kEntries, std::vector<bool>(kEntries.size(), true)));
}

TEST(NameList, EntryWithoutBlankPassesWhole) {
  EXPECT_EQ(" A.IFO;1 ODD", build_name_list({"A.IFO;1 2048", "ODD", "B 1"}, {true, true, false}));
}

TEST(NameList, ShortSelectionCountsAsNotSelected) {
  EXPECT_EQ(" VIDEO_TS.IFO;1", build_name_list(kEntries, {true}));
}

}  // namespace
}  // namespace quarnpad
