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

// The in-place comparison against operator== for every length around its
// eight-byte steps: equal texts, texts differing at each position (in the
// lowest and in the highest bit of a byte), and texts of different lengths.
TEST(StringPoolTest, SameTextAgreesWithThePlainComparison) {
  for (size_t n = 0; n <= 40; ++n) {
    std::string a(n, 'Q');
    for (size_t i = 0; i < n; ++i) a[i] = static_cast<char>('A' + (i * 7) % 26);
    std::string b = a;
    EXPECT_TRUE(qv_string_pool::sameText(a, b)) << n;
    for (size_t i = 0; i < n; ++i) {
      for (char bit : {char(1), char(-128)}) {
        b[i] = static_cast<char>(a[i] ^ bit);
        EXPECT_FALSE(qv_string_pool::sameText(a, b)) << n << " " << i;
        b[i] = a[i];
      }
    }
    EXPECT_FALSE(qv_string_pool::sameText(a, a + "A")) << n;
    EXPECT_FALSE(qv_string_pool::sameText(a + "A", a)) << n;
  }
}

}  // namespace
