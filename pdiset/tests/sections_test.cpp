// The rule that joins a file's sections, over record lists whose expected
// grouping is written out by hand from the rule's wording.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdiset/sections.h"

namespace {

using pdiset::DirectoryRecord;

// Records from "NAME:flags:length" words; the expected groups as
// "first+count=length" words, a trailing "!" for a chain that does not end.
struct Case {
  const char* what;
  std::vector<std::string> records;
  std::string groups;
};

std::vector<DirectoryRecord> parse(const std::vector<std::string>& words) {
  std::vector<DirectoryRecord> records;
  for (const std::string& w : words) {
    DirectoryRecord r;
    size_t a = w.find(':'), b = w.find(':', a + 1);
    r.name = w.substr(0, a);
    r.flags = static_cast<unsigned>(std::stoul(w.substr(a + 1, b - a - 1), nullptr, 16));
    r.data_length = static_cast<uint32_t>(std::stoul(w.substr(b + 1)));
    records.push_back(r);
  }
  return records;
}

TEST(JoinSections, Table) {
  const Case cases[] = {
      {"plain files", {"A:0:5", "B:0:7"}, "0+1=5 1+1=7"},
      {"three sections over 4 GiB",
       {"M:80:4294965248", "M:80:4294965248", "M:0:10631673", "N:0:1"},
       "0+3=8600562169 3+1=1"},
      {"chain ended by another name", {"M:80:100", "N:0:2"}, "0+1=100! 1+1=2"},
      {"chain ended by the directory's end", {"A:0:1", "M:80:100", "M:80:50"}, "0+1=1 1+2=150!"},
      {"same name without 0x80 is a file of its own", {"M:0:3", "M:0:4"}, "0+1=3 1+1=4"},
      {"hidden bit kept apart from 0x80", {"H:81:10", "H:1:20"}, "0+2=30"},
      {"empty list", {}, ""},
  };
  for (const Case& c : cases) {
    std::string got;
    std::vector<DirectoryRecord> records = parse(c.records);
    for (const pdiset::SectionedFile& f : pdiset::join_sections(records)) {
      if (!got.empty()) got += ' ';
      got += std::to_string(f.first) + "+" + std::to_string(f.count) + "=" + std::to_string(f.length);
      if (f.unterminated) got += '!';
      EXPECT_EQ(f.final_record, f.first + f.count - 1) << c.what;
    }
    EXPECT_EQ(got, c.groups) << c.what;
  }
}

}  // namespace
