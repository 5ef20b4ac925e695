#include "base/hash_list.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(NameHash, MatchesHandComputedValues) {
  // "ab": 0x61 * 16 + 0x62 = 0x672.
  EXPECT_EQ(NameHash(std::u16string_view(u"ab")), 0x672u);
  // Seven characters reach 2^28 and fold: "ppppppp" is 0x7777770 before the last
  // step, then 0x77777700 + 0x70 = 0x77777770; folding xors (0x7 << 4) and keeps 28 bits.
  EXPECT_EQ(NameHash(std::u16string_view(u"ppppppp")), 0x07777700u);
  // Only the low byte of a character counts.
  EXPECT_EQ(NameHash(std::u16string_view(u"\u0161")), 0x61u);
  EXPECT_EQ(NameHash(std::string_view("")), 0u);
}

TEST(THashList, FindsAndAddsByExactName) {
  THashList<std::vector<std::u16string>> table;
  table.FindOrAdd(u"slide").push_back(u"3");
  table.FindOrAdd(u"slide").push_back(u"4");
  table.FindOrAdd(u"log");
  EXPECT_EQ(table.Count(), 2u);
  ASSERT_NE(table.Find(u"slide"), nullptr);
  EXPECT_EQ(table.Find(u"slide")->size(), 2u);
  EXPECT_EQ(table.Find(u"Slide"), nullptr);
  EXPECT_EQ(table.BucketOf(u"ab"), 0x672u % 251);
  EXPECT_EQ(table.NameAt(1), u"log");
}

}  // namespace
}  // namespace orv
