// The reference store and the protein lists over it.
#include <vector>

#include <gtest/gtest.h>

#include "summary/ref_list.h"

namespace {

qv_peptide_ref ref(uint32_t match) {
  qv_peptide_ref r;
  r.match = match;
  r.start = static_cast<int32_t>(match) * 10;
  return r;
}

std::vector<uint32_t> matchesOf(const qv_ref_list& list) {
  std::vector<uint32_t> out;
  for (const qv_peptide_ref& r : list) out.push_back(r.match);
  return out;
}

TEST(RefListTest, ListsShareTheStoreAndKeepTheirOwnOrder) {
  qv_ref_store store;
  qv_ref_list a(store, 0), b(store, 1);
  for (uint32_t m = 0; m < 10; ++m) (m % 3 == 0 ? b : a).push_back(ref(m));
  EXPECT_EQ(matchesOf(a), (std::vector<uint32_t>{1, 2, 4, 5, 7, 8}));
  EXPECT_EQ(matchesOf(b), (std::vector<uint32_t>{0, 3, 6, 9}));
  EXPECT_EQ(store.size(), 10u);
  EXPECT_EQ(store.ownerOf(3), 1u);
  EXPECT_TRUE(a.pristine());
  // A reference added from a list to another (as a mixture takes its
  // components') is copied before the store grows.
  for (int i = 0; i < 3; ++i) b.push_back(a[0]);
  EXPECT_EQ(b[6].match, 1u);
  a.moveTo(0, 2);
  a.truncate(3);
  EXPECT_FALSE(a.pristine());
  EXPECT_EQ(matchesOf(a), (std::vector<uint32_t>{4, 2, 4}));
  a.stableSortBy([](const qv_peptide_ref& x, const qv_peptide_ref& y) { return x.match < y.match; });
  EXPECT_TRUE(a.isSortedBy([](const qv_peptide_ref& x, const qv_peptide_ref& y) { return x.match < y.match; }));
  EXPECT_EQ(matchesOf(a), (std::vector<uint32_t>{2, 4, 4}));
}

TEST(RefListTest, APlacedListThatOutgrowsItsRoomMovesOut) {
  qv_ref_store store;
  qv_ref_list list(store, 0);
  for (uint32_t m = 0; m < 5; ++m) store.add(ref(m), 0);
  uint32_t room[3] = {0, 0, 0};
  list.place(room, 3);
  for (uint32_t e = 0; e < 5; ++e) list.append(e);
  EXPECT_EQ(matchesOf(list), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(room[2], 2u);  // the room was used as far as it went
  room[0] = 4;              // and is no longer the list's
  EXPECT_EQ(list[0].match, 0u);
}

// A store sized for a small file (the least first room) that is given more
// references than that, as a damaged file with short protein items can:
// every growth keeps the references, their owners and their marks.
TEST(RefListTest, AStoreThatOutgrowsItsFirstRoomKeepsEverything) {
  for (const size_t first : {size_t{0}, qv_ref_store::kLeastAtFirst, qv_ref_store::kLeastAtFirst + 1}) {
    qv_ref_store store(first);
    const uint32_t count = static_cast<uint32_t>(qv_ref_store::kLeastAtFirst * 5 + 3);
    for (uint32_t m = 0; m < count; ++m) {
      EXPECT_EQ(store.add(ref(m), m % 7), m);
      if (m % 3 == 0) store.setKept(m);
    }
    ASSERT_EQ(store.size(), count);
    for (uint32_t m = 0; m < count; ++m) {
      ASSERT_EQ(store[m].match, m);
      ASSERT_EQ(store[m].start, static_cast<int32_t>(m) * 10);
      ASSERT_EQ(store.ownerOf(m), m % 7);
      ASSERT_EQ(store.kept(m), m % 3 == 0);
    }
    EXPECT_EQ(store.countOf(6), count / 7);
  }
}

}  // namespace
