// The sixteen-byte kernels of the reader against their plain twins, which
// are compiled on every build: both must give the same answer for every
// place of the byte they look for within and across sixteen-byte steps, on
// random and damaged bytes (high-bit look-alikes of the bytes sought, NULs,
// stray line ends), and must read nothing beyond what their contract allows:
// the buffers here end exactly where that reading must stop, so that a read
// past it shows under the sanitizer.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "results/line_starts.h"

namespace {

// Bytes that a byte-wise comparison gets wrong when it mixes up signed and
// unsigned lanes or compares too few bits: look-alikes of LF and CR with the
// high bit set, and the bytes either side of them.
const std::string kDamage("\n\r\0\x8A\x8D\x80\xFF\x0B\x0C\x09=a", 12);

char randomByte(std::mt19937& random) { return kDamage[random() % kDamage.size()]; }

// Sixty-four bytes at each of sixteen alignments, in a buffer that ends
// where the window does.
TEST(LineFeedMask, AgreesWithThePlainOneForEveryPlaceOfALineFeed) {
  for (size_t align = 0; align < 16; ++align) {
    std::vector<char> buffer(align + 64, 'x');
    const char* window = buffer.data() + align;
    ASSERT_EQ(qv_results::detail::lineFeedMask64(window), 0u);
    ASSERT_EQ(qv_results::detail::lineFeedMask64Plain(window), 0u);
    for (size_t k = 0; k < 64; ++k) {
      buffer[align + k] = '\n';
      EXPECT_EQ(qv_results::detail::lineFeedMask64(window), uint64_t{1} << k) << align << " " << k;
      EXPECT_EQ(qv_results::detail::lineFeedMask64Plain(window), uint64_t{1} << k) << align << " " << k;
      buffer[align + k] = '\x8A';  // the high-bit look-alike is no line feed
      EXPECT_EQ(qv_results::detail::lineFeedMask64(window), 0u) << align << " " << k;
      buffer[align + k] = 'x';
    }
  }
}

TEST(LineFeedMask, AgreesWithThePlainOneOnRandomBytes) {
  std::mt19937 random(17);
  for (int round = 0; round < 20000; ++round) {
    const size_t align = random() % 16;
    std::vector<char> buffer(align + 64);
    for (char& c : buffer) c = randomByte(random);
    const char* window = buffer.data() + align;
    ASSERT_EQ(qv_results::detail::lineFeedMask64(window), qv_results::detail::lineFeedMask64Plain(window))
        << "round " << round;
  }
}

}  // namespace
