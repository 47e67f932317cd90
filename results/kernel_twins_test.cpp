// The sixteen-byte kernels of the reader against their plain twins, which
// are compiled on every build: both must give the same answer for every
// place of the byte they look for within and across sixteen-byte steps, on
// random and damaged bytes (high-bit look-alikes of the bytes sought, NULs,
// stray line ends), and must read nothing beyond what their contract allows:
// the buffers here end exactly where that reading must stop, so that a read
// past it shows under the sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "results/bucket_tags.h"
#include "results/line_keys.h"
#include "results/line_starts.h"
#include "results/pair_search.h"
#include "results/results_text.h"

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

// A line of `length` bytes at `align` in a text laid out as the reader lays
// it out: the line, then `end` (nothing when the text ends there), the
// text's NUL and kTextPadding zero bytes, and nothing after them.
std::vector<char> paddedLine(size_t align, const std::string& line, const std::string& end) {
  std::vector<char> text(align, 'p');
  text.insert(text.end(), line.begin(), line.end());
  text.insert(text.end(), end.begin(), end.end());
  text.insert(text.end(), 1 + qv_results::kTextPadding, '\0');
  return text;
}

// Every length around the sixteen-byte steps, ended by each of CR, LF and
// NUL, or by the end of the text (the last read then lies in the padding).
TEST(LineRestLength, AgreesWithThePlainOneForEveryLengthAndEnd) {
  for (size_t align = 0; align < 16; ++align) {
    for (size_t length = 0; length <= 50; ++length) {
      for (const std::string& end : {std::string("\r\n"), std::string("\n"), std::string(1, '\0'), std::string()}) {
        const std::vector<char> text = paddedLine(align, std::string(length, '\x8D'), end);
        const char* line = text.data() + align;
        EXPECT_EQ(qv_results::lineRestLength(line), length) << align << " " << length;
        EXPECT_EQ(qv_results::lineRestLengthPlain(line), length) << align << " " << length;
      }
    }
  }
}

// Damaged lines: any of the bytes that end a line, and their look-alikes,
// anywhere.
TEST(LineRestLength, AgreesWithThePlainOneOnRandomBytes) {
  std::mt19937 random(19);
  for (int round = 0; round < 20000; ++round) {
    std::string line(random() % 70, 'v');
    for (char& c : line) {
      if (random() % 8 == 0) c = randomByte(random);
    }
    const size_t align = random() % 16;
    const std::vector<char> text = paddedLine(align, line, "");
    const char* start = text.data() + align;
    const size_t expected = std::min(line.find_first_of(std::string("\r\n\0", 3)), line.size());
    ASSERT_EQ(qv_results::lineRestLengthPlain(start), expected) << "round " << round;
    ASSERT_EQ(qv_results::lineRestLength(start), expected) << "round " << round;
  }
}

// The first 32 bytes of a bucket: ten tags, then two unused lanes and the
// first slot offsets, which may hold anything and must never match.
struct BucketHead {
  std::vector<uint16_t> lanes = std::vector<uint16_t>(16, 0);
  unsigned fast(uint16_t tag) const { return qv_results::detail::matchTags(lanes.data(), tag); }
  unsigned plain(uint16_t tag) const { return qv_results::detail::matchTagsPlain(lanes.data(), tag); }
};

// Tags that differ from one another only in their high byte, their low
// byte or their top bit, and the empty tag.
const uint16_t kTags[] = {0x0000, 0x8000, 0x8001, 0x8100, 0x80FF, 0xFF80, 0xFFFF, 0x0080};

TEST(BucketTags, MatchAgreesWithThePlainOneForEveryLane) {
  for (const uint16_t tag : kTags) {
    for (const uint16_t other : kTags) {
      if (other == tag) continue;
      BucketHead head;
      head.lanes.assign(16, other);
      EXPECT_EQ(head.fast(tag), 0u) << tag << " " << other;
      EXPECT_EQ(head.plain(tag), 0u) << tag << " " << other;
      for (unsigned k = 0; k < 16; ++k) {
        head.lanes[k] = tag;
        // Lanes beyond the ten tags are not the bucket's tags.
        const unsigned expected = k < 10 ? 1u << (2 * k) : 0u;
        EXPECT_EQ(head.fast(tag), expected) << tag << " " << other << " lane " << k;
        EXPECT_EQ(head.plain(tag), expected) << tag << " " << other << " lane " << k;
        if (k < 10) {
          EXPECT_EQ(qv_results::detail::firstLane(head.fast(tag)), k);
        }
        head.lanes[k] = other;
      }
    }
  }
}

TEST(BucketTags, MatchAgreesWithThePlainOneOnRandomBuckets) {
  std::mt19937 random(23);
  for (int round = 0; round < 20000; ++round) {
    BucketHead head;
    for (uint16_t& lane : head.lanes) lane = random() % 3 == 0 ? kTags[random() % 8] : static_cast<uint16_t>(random());
    const uint16_t tag = random() % 2 == 0 ? head.lanes[random() % 16] : kTags[random() % 8];
    const unsigned fast = head.fast(tag);
    ASSERT_EQ(fast, head.plain(tag)) << "round " << round;
    if (fast != 0) {
      const unsigned lane = qv_results::detail::firstLane(fast);
      ASSERT_EQ(head.lanes[lane], tag) << "round " << round;
      for (unsigned k = 0; k < lane; ++k) ASSERT_NE(head.lanes[k], tag) << "round " << round;
    }
  }
}

// A pair of bytes at every place of texts of every length around the
// sixteen-place steps, searched in a buffer that ends with the pair's last
// possible place; alone and next to its look-alikes.
TEST(PairSearch, AgreesWithThePlainOneForEveryPlaceOfThePair) {
  for (size_t align = 0; align < 16; ++align) {
    for (size_t length = 2; length <= 50; ++length) {
      std::vector<char> buffer(align + length, 'x');
      const char* start = buffer.data() + align;
      const char* last = start + length - 2;  // the last place the pair can start
      for (size_t at = 0; at + 1 < length; ++at) {
        buffer[align + at] = '=';
        buffer[align + at + 1] = '"';
        EXPECT_EQ(qv_results::detail::findPair(start, last, '=', '"'), start + at) << align << " " << length;
        EXPECT_EQ(qv_results::detail::findPairPlain(start, last, '=', '"'), start + at) << align << " " << length;
        buffer[align + at + 1] = '\xA2';  // the first byte before a look-alike of the second
        EXPECT_EQ(qv_results::detail::findPair(start, last, '=', '"'), nullptr) << align << " " << length;
        EXPECT_EQ(qv_results::detail::findPairPlain(start, last, '=', '"'), nullptr) << align << " " << length;
        buffer[align + at] = buffer[align + at + 1] = 'x';
      }
    }
  }
}

TEST(PairSearch, AgreesWithThePlainOneOnRandomBytes) {
  std::mt19937 random(29);
  const std::string alphabet("==\"\"\xBD\xA2\0a", 8);
  for (int round = 0; round < 20000; ++round) {
    const size_t length = 2 + random() % 60;
    std::vector<char> buffer(length);
    for (char& c : buffer) c = alphabet[random() % alphabet.size()];
    const size_t from = random() % (length - 1);
    const char* start = buffer.data() + from;
    const char* last = buffer.data() + length - 2;
    const char c0 = random() % 4 == 0 ? '=' : '"';
    const char c1 = random() % 4 == 0 ? '=' : '"';
    ASSERT_EQ(qv_results::detail::findPair(start, last, c0, c1), qv_results::detail::findPairPlain(start, last, c0, c1))
        << "round " << round;
  }
}

// Every length around the sixteen-byte steps at sixteen alignments, of
// damaged bytes, and texts of line feeds only around the 255 steps after
// which the sixteen-lane count empties its byte lanes (a lane holds 255).
TEST(LineFeedCount, AgreesWithThePlainOneForEveryLengthAndAlignment) {
  std::mt19937 random(31);
  for (size_t align = 0; align < 16; ++align) {
    for (size_t length = 0; length <= 80; ++length) {
      std::vector<char> buffer(align + length);
      for (char& c : buffer) c = randomByte(random);
      const char* p = buffer.data() + align;
      EXPECT_EQ(qv_results::countLineFeeds(p, length), qv_results::countLineFeedsPlain(p, length))
          << align << " " << length;
    }
  }
  for (const size_t steps : {size_t{255}, size_t{510}}) {
    for (size_t length = 16 * steps - 17; length <= 16 * steps + 17; ++length) {
      const std::vector<char> buffer(length, '\n');
      EXPECT_EQ(qv_results::countLineFeeds(buffer.data(), length), length) << length;
      EXPECT_EQ(qv_results::countLineFeedsPlain(buffer.data(), length), length) << length;
    }
  }
}

}  // namespace
