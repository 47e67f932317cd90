// The string pool: one number per distinct text, stable while it grows.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "summary/string_pool.h"

namespace {

TEST(StringPoolTest, EqualTextsShareANumberThroughGrowth) {
  qv_string_pool pool;
  EXPECT_EQ(pool.intern(""), 0u);
  std::vector<uint32_t> ids;
  // Texts of every length around the hash's eight-byte steps, and enough of
  // them to grow the table several times.
  for (int i = 0; i < 20000; ++i) ids.push_back(pool.intern("PEPTIDE" + std::to_string(i) + std::string(i % 19, 'K')));
  EXPECT_EQ(pool.size(), 20001u);
  for (int i = 0; i < 20000; ++i) {
    const std::string text = "PEPTIDE" + std::to_string(i) + std::string(i % 19, 'K');
    EXPECT_EQ(pool.intern(text), ids[static_cast<size_t>(i)]);
    EXPECT_EQ(pool.get(ids[static_cast<size_t>(i)]), text);
  }
  EXPECT_EQ(pool.size(), 20001u);
  // Texts that differ only past the first eight bytes, or only in length.
  EXPECT_NE(pool.intern("ABCDEFGHIJ"), pool.intern("ABCDEFGHIK"));
  EXPECT_NE(pool.intern("AAAAAAAA"), pool.intern(std::string_view("AAAAAAAA\0", 9)));
  EXPECT_EQ(pool.get(pool.intern(std::string_view("A\0B", 3))), std::string_view("A\0B", 3));
}

// Texts that differ only past eight bytes, or only in their last byte.
TEST(StringPoolTest, TextsDifferingLateGetNumbersOfTheirOwn) {
  qv_string_pool pool;
  EXPECT_NE(pool.intern("PEPTIDEKAAAAAAAAR"), pool.intern("PEPTIDEKAAAAAAAAK"));
  EXPECT_NE(pool.intern("PEPTIDEKAAAAAAAAR"), pool.intern("PEPTIDEKBAAAAAAAR"));
  EXPECT_EQ(pool.intern("PEPTIDEKAAAAAAAAR"), pool.intern(std::string("PEPTIDEKAAAAAAAAR")));
  EXPECT_EQ(pool.size(), 4u);
}

}  // namespace
