#include "results/results_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "results/key_table.h"
#include "results/line_starts.h"
#include "results/results_test_util.h"
#include "results/value_parse.h"

using qv_results::kNoPos;
using qv_results::ResultsText;

namespace {

const auto kAcceptAll = [](std::string_view) { return true; };

std::string wholeText(const ResultsText& store) { return std::string(store.view()); }

TEST(KeyCompare, CaseFoldedPrefixFirstAndStopsAtEquals) {
  using qv_results::compareKeys;
  EXPECT_EQ(compareKeys("queries=5\n", "QUERIES"), 0);
  EXPECT_EQ(compareKeys("Queries=5\n", "queries=ignored"), 0);
  EXPECT_LT(compareKeys("query=1\n", "query1"), 0);  // a prefix sorts first
  EXPECT_GT(compareKeys("query1=1\n", "query"), 0);
  EXPECT_LT(compareKeys("Alpha=1\n", "beta"), 0);
  EXPECT_GT(compareKeys("_x=1\n", "Z"), 0);  // '_' is above 'Z' once letters fold up
  EXPECT_EQ(compareKeys("no equals\n", "NO EQUALS"), 0);
  EXPECT_GT(compareKeys("no equals\r\n", "NO EQUALS"), 0);  // a CR before the "=" is part of the key
  EXPECT_EQ(compareKeys("TOL\rjunk=5\n", "tol\rJUNK"), 0);
  // Lines are read eight bytes at a time, as laid out in a block: padded.
  const auto padded = [](std::string text) { return text + std::string(16, '\0'); };
  EXPECT_EQ(qv_results::lineKeyLength(padded("key=value\n").c_str()), 3u);
  EXPECT_EQ(qv_results::lineKeyLength(padded("line\r\n").c_str()), 5u);
  EXPECT_EQ(qv_results::lineKeyLength(padded("TOL\rjunk=5\n").c_str()), 8u);
  EXPECT_EQ(qv_results::lineKeyLength(padded("a_key_of_seventeen=1\n").c_str()), 18u);
  EXPECT_EQ(qv_results::lineKeyLength(padded("no end at all").c_str()), 13u);
  EXPECT_EQ(qv_results::lineRestLength(padded("value of sixteen+\r\n").c_str()), 17u);
  EXPECT_EQ(qv_results::lineRestLength(padded("=x\n").c_str()), 2u);
  EXPECT_EQ(qv_results::lineRestLength(padded("cut short").c_str()), 9u);
}

// The word-at-a-time comparison of two padded lines agrees with the plain one.
TEST(KeyCompare, LineComparisonAgreesWithThePlainOne) {
  const std::vector<std::string> keys = {"a",
                                         "A",
                                         "q1_p1",
                                         "Q1_P1",
                                         "q1_p10",
                                         "q1_p1_terms",
                                         "q10_p1",
                                         "qexp12345678",
                                         "QEXP12345678",
                                         "qexp1234567",
                                         "qexp123456789",
                                         "",
                                         "_x",
                                         "Z",
                                         "\x80high",
                                         "z{",
                                         "zZ",
                                         "sixteen_chars_ab",
                                         "sixteen_chars_aB",
                                         "sixteen_chars_a"};
  const auto padded = [](const std::string& key, const char* end) { return key + end + std::string(16, '\0'); };
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const std::string& a : keys) {
    for (const std::string& b : keys) {
      for (const char* end : {"=1\n", "\r\n", "\n", ""}) {
        const std::string la = padded(a, end);
        const std::string lb = padded(b, "=2\n");
        EXPECT_EQ(sign(qv_results::compareLineKeys(la.c_str(), lb.c_str())),
                  sign(qv_results::compareKeys(la.c_str(), b)))
            << "[" << a << "] [" << b << "]";
        // Equal keys, whatever their case and line end, share their tag.
        if (qv_results::compareKeys(la.c_str(), b) == 0) {
          EXPECT_EQ(qv_results::keyTag(la.c_str()), qv_results::keyTag(lb.c_str())) << "[" << a << "] [" << b << "]";
        }
      }
    }
  }
}

// Key and value lengths found eight bytes at a time agree with a plain
// scan, wherever the ending byte falls in a word.
// The in-place comparison against memcmp for every length around its
// eight-byte steps: equal bytes, bytes differing at each position (in the
// lowest and in the highest bit of a byte), read from ranges of exactly n
// bytes (so that a read beyond them shows under the sanitizer).
TEST(KeyCompare, SameBytesAgreesWithMemcmp) {
  for (size_t n = 0; n <= 40; ++n) {
    std::vector<char> a(n), b(n);
    for (size_t i = 0; i < n; ++i) a[i] = b[i] = static_cast<char>('A' + (i * 7) % 26);
    EXPECT_TRUE(qv_results::sameBytes(a.data(), b.data(), n)) << n;
    for (size_t i = 0; i < n; ++i) {
      for (char bit : {char(1), char(-128)}) {
        b[i] = static_cast<char>(a[i] ^ bit);
        EXPECT_FALSE(qv_results::sameBytes(a.data(), b.data(), n)) << n << " " << i;
        EXPECT_EQ(qv_results::sameBytes(a.data(), b.data(), n), std::memcmp(a.data(), b.data(), n) == 0);
        b[i] = a[i];
      }
    }
  }
}

TEST(KeyCompare, KeyAndValueLengthsAgreeWithAPlainScan) {
  std::mt19937 random(5);
  const std::string alphabet("aZ=\r\n\0_9", 8);
  for (int round = 0; round < 2000; ++round) {
    std::string line;
    const size_t size = random() % 40;
    for (size_t i = 0; i < size; ++i) line.push_back(alphabet[random() % alphabet.size()]);
    const std::string padded = line + std::string(1 + qv_results::kTextPadding, '\0');
    const size_t key = std::min(line.find_first_of(std::string("=\n\0", 3)), line.size());
    const size_t rest = std::min(line.find_first_of(std::string("\r\n\0", 3)), line.size());
    ASSERT_EQ(qv_results::lineKeyLength(padded.c_str()), key) << round;
    size_t hashedLength = 0;
    (void)qv_results::hashKey(padded.c_str(), &hashedLength);
    ASSERT_EQ(hashedLength, key) << round;
    ASSERT_EQ(qv_results::lineRestLength(padded.c_str()), rest) << round;
    ASSERT_EQ(qv_results::lineHoldsKey(padded.c_str()), key < line.size() && line[key] == '=') << round;
  }
}

// Lines laid out as in the text: NUL-ended and padded.
std::string paddedText(const std::vector<std::string>& lines, std::vector<uint32_t>& offsets) {
  std::string text;
  for (const std::string& line : lines) {
    offsets.push_back(static_cast<uint32_t>(text.size()));
    text += line + "\n";
  }
  text.append(1 + qv_results::kTextPadding, '\0');
  return text;
}

TEST(KeyTable, FindsEveryKeyWhateverItsCaseAndKeepsTheFirstOfEqualKeys) {
  std::vector<std::string> lines;
  for (int q = 1; q <= 3000; ++q) {
    lines.push_back("q" + std::to_string(q) + "_p1=" + std::to_string(q));
    lines.push_back("q" + std::to_string(q) + "_p1_terms=K,A");
  }
  lines.push_back("Q17_P1=duplicate");
  lines.push_back("a_key_longer_than_sixteen_bytes_and_more=1");
  std::vector<uint32_t> offsets;
  const std::string text = paddedText(lines, offsets);
  qv_results::KeyTable table(lines.size());
  std::vector<uint32_t> refused;
  for (uint32_t off : offsets) {
    if (table.insert(text.data(), off) != qv_results::KeyTable::kNone) refused.push_back(off);
  }
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(text.substr(refused[0], 6), "Q17_P1");
  EXPECT_EQ(table.size(), lines.size() - 1);
  for (size_t i = 0; i + 2 < lines.size(); ++i) {
    const qv_results::PaddedKey key(lines[i]);  // stops at "="
    ASSERT_EQ(table.find(text.data(), key.text()), offsets[i]) << lines[i];
  }
  const qv_results::PaddedKey upper("Q17_P1_TERMS");
  EXPECT_EQ(table.find(text.data(), upper.text()), offsets[33]);
  const qv_results::PaddedKey longKey("A_KEY_LONGER_THAN_SIXTEEN_BYTES_AND_MORE");
  EXPECT_EQ(table.find(text.data(), longKey.text()), offsets.back());
  for (const char* absent : {"q17_p", "q17_p1_", "q3001_p1", "", "q1_p1=x"}) {
    const qv_results::PaddedKey key(absent);
    const uint32_t found = table.find(text.data(), key.text());
    if (std::string(absent) == "q1_p1=x") {
      EXPECT_EQ(found, offsets[0]);  // the key asked for also ends at "="
    } else {
      EXPECT_EQ(found, qv_results::KeyTable::kNone) << absent;
    }
  }
  EXPECT_FALSE(qv_results::PaddedKey("a\nb").usable());
  // Equal keys hash alike whatever ends them; the length found is the key's.
  size_t length = 0;
  EXPECT_EQ(qv_results::hashKey("ABC=1\n\0\0\0\0\0\0\0\0", &length), qv_results::hashKey("abc\0\0\0\0\0\0\0\0"));
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(qv_results::hashKey("TOL\rjunk=5\n\0\0\0\0\0\0\0\0", &length),
            qv_results::hashKey("tol\rJUNK\0\0\0\0\0\0\0\0"));
  EXPECT_EQ(length, 8u);
}

// A table for a few keys is a list searched in order; it must answer
// exactly as the hashed table does, the empty key included.
TEST(KeyTable, ShortListAnswersLikeTheHashedTable) {
  const std::vector<std::string> lines = {"title=t",   "charge=2+",   "mass_min=1", "mass_max=2", "=empty",
                                          "CHARGE=3+", "Ions1=@#$:7", "num_vals=3", "m=short",    "Mass_Min=9"};
  std::vector<uint32_t> offsets;
  const std::string text = paddedText(lines, offsets);
  qv_results::KeyTable list(lines.size());
  qv_results::KeyTable hashed(qv_results::KeyTable::kListMax + 1);
  ASSERT_TRUE(list.isList());
  ASSERT_FALSE(hashed.isList());
  for (uint32_t off : offsets) {
    EXPECT_EQ(list.insert(text.data(), off), hashed.insert(text.data(), off)) << text.c_str() + off;
  }
  EXPECT_EQ(list.size(), 8u);
  EXPECT_EQ(hashed.size(), 8u);
  for (const char* key : {"title", "TITLE", "charge", "mass_min", "MASS_MAX", "", "=x", "ions1", "m", "ma", "mass_min_",
                          "num_val", "num_vals", "absent"}) {
    const qv_results::PaddedKey padded(key);
    EXPECT_EQ(list.find(text.data(), padded.text()), hashed.find(text.data(), padded.text())) << "[" << key << "]";
  }
  const qv_results::PaddedKey empty("");
  EXPECT_EQ(list.find(text.data(), empty.text()), offsets[4]);
  std::vector<uint32_t> held = list.lines();
  std::vector<uint32_t> expected = hashed.lines();
  std::sort(held.begin(), held.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(held, expected);
}

// A table filled to the number of keys it was made for: keys pass from full
// buckets to the next ones (wrapping at the end), and every one stays
// findable; keys beyond the size asked for are refused without harm.
TEST(KeyTable, FullTableKeepsEveryKeyFindable) {
  for (size_t n : {size_t{17}, size_t{40}, size_t{1000}}) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < n; ++i) lines.push_back("k" + std::to_string(i * 7919) + "=v");
    for (size_t i = 0; i < n; ++i) lines.push_back("K" + std::to_string(i * 7919) + "=duplicate");
    lines.push_back("extra=1");
    std::vector<uint32_t> offsets;
    const std::string text = paddedText(lines, offsets);
    qv_results::KeyTable table(n);
    ASSERT_FALSE(table.isList());
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(table.insert(text.data(), offsets[i]), qv_results::KeyTable::kNone);
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(table.insert(text.data(), offsets[n + i]), offsets[i]) << lines[n + i];
    (void)table.insert(text.data(), offsets.back());
    EXPECT_EQ(table.size(), n);
    for (size_t i = 0; i < n; ++i) {
      const qv_results::PaddedKey key(lines[n + i]);
      EXPECT_EQ(table.find(text.data(), key.text()), offsets[i]) << lines[i];
    }
    const qv_results::PaddedKey extra("extra");
    EXPECT_EQ(table.find(text.data(), extra.text()), qv_results::KeyTable::kNone);
    std::vector<uint32_t> held = table.lines();
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, std::vector<uint32_t>(offsets.begin(), offsets.begin() + static_cast<std::ptrdiff_t>(n)));
  }
}

// The line walk visits exactly the positions a search for each line's end
// gives, whatever the line lengths and wherever the walk is told to stop.
TEST(LineStarts, VisitsEveryLineStartBeforeTheStop) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t size = random() % 400;
    for (size_t i = 0; i < size; ++i) text.push_back(random() % 5 == 0 ? '\n' : static_cast<char>('a' + random() % 26));
    if (round % 3 == 0 && !text.empty()) text[random() % text.size()] = '\0';
    const auto length = static_cast<uint32_t>(text.size());
    text.append(1 + qv_results::kTextPadding, '\0');
    const uint32_t from = 0;
    const uint32_t stop = round % 2 == 0 ? length : static_cast<uint32_t>(random() % (length + 1));
    const size_t limit = round % 5 == 0 ? 3 : SIZE_MAX;  // f ends the walk after this many lines
    std::vector<uint32_t> expected;
    for (uint32_t o = from; o < stop && expected.size() < limit;) {
      expected.push_back(o);
      const void* lf = std::memchr(text.data() + o, '\n', length - o);
      o = lf != nullptr ? static_cast<uint32_t>(static_cast<const char*>(lf) - text.data()) + 1 : length;
    }
    std::vector<uint32_t> seen;
    qv_results::forEachLineStart(text.data(), length, from, stop, [&](uint32_t o) {
      seen.push_back(o);
      return seen.size() < limit;
    });
    ASSERT_EQ(seen, expected) << "round " << round;
  }
}

TEST(ValueParse, LeadingNumbersOnly) {
  using qv_results::leadingDouble;
  using qv_results::leadingInt;
  EXPECT_EQ(leadingInt("42abc"), 42);
  EXPECT_EQ(leadingInt("  -17,3"), -17);
  EXPECT_EQ(leadingInt("abc"), 0);
  EXPECT_EQ(leadingInt("99999999999"), 2147483647);
  EXPECT_EQ(leadingInt("-99999999999"), -2147483647 - 1);
  EXPECT_DOUBLE_EQ(leadingDouble("1.5e3,Da"), 1500.0);
  EXPECT_DOUBLE_EQ(leadingDouble(" +.25"), 0.25);
  EXPECT_DOUBLE_EQ(leadingDouble("-2."), -2.0);
  EXPECT_EQ(leadingDouble("nan"), 0.0);
  EXPECT_EQ(leadingDouble("0x10"), 0.0);
  EXPECT_EQ(leadingDouble(""), 0.0);
  EXPECT_TRUE(std::isinf(leadingDouble("1e999")));
}

// The sixteen-lane count agrees with a plain count, also past the 255
// steps after which its byte lanes are emptied.
TEST(ResultsText, LineFeedCountAgreesWithAPlainCount) {
  std::mt19937 random(11);
  for (const size_t size : {size_t{0}, size_t{15}, size_t{16}, size_t{17}, size_t{4080}, size_t{4096}, size_t{70001}}) {
    for (const int density : {1, 3, 50}) {
      std::string text(size, 'x');
      for (char& c : text) {
        if (static_cast<int>(random() % static_cast<unsigned>(density)) == 0) c = '\n';
      }
      for (const size_t from : {size_t{0}, size_t{1}, size_t{7}}) {
        if (from > size) continue;
        EXPECT_EQ(qv_results::countLineFeeds(text.data() + from, size - from),
                  static_cast<size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), '\n')))
            << size << " " << density << " " << from;
      }
    }
  }
}

TEST(ResultsText, EveryChunkingKeepsEveryByteAndEndsInPadding) {
  qvresultstest::ScratchDir dir;
  std::string text;
  for (int i = 0; i < 200; ++i)
    text += "line" + std::to_string(i) + "=" + std::string(static_cast<size_t>(i % 13), 'v') + "\n";
  text += "tail without line end";
  const std::string path = dir.write("t.dat", text);
  for (size_t chunk : {size_t{1}, size_t{5}, size_t{16}, size_t{100}, size_t{100000}}) {
    ResultsText store;
    ASSERT_EQ(store.read(path, chunk, kAcceptAll).status, ResultsText::Status::Ok);
    EXPECT_EQ(wholeText(store), text) << chunk;
    EXPECT_EQ(std::string(store.data() + store.size(), 1 + qv_results::kTextPadding),
              std::string(1 + qv_results::kTextPadding, '\0'));
  }
}

// Lines far longer than the chunks (a long peak list, a long value, and the
// zero-filled tail a crash leaves, without a line end) are read as in one
// chunk longer than the whole file: the same text, the peak list replaced
// by its marker. Each piece is searched for a line end once; were all that
// is carried searched again at every piece, reading the tail here one byte
// at a time would take time in the square of its length (most of an hour)
// instead of about a second.
TEST(ResultsText, LinesFarLongerThanTheChunksKeepTheTextOfOneChunk) {
  qvresultstest::ScratchDir dir;
  constexpr size_t kLine = size_t{256} << 10;
  constexpr size_t kTail = size_t{7} << 20;  // below the size from which pieces are read ahead
  std::string text = "a=1\nIons1=";
  for (size_t i = 0; text.size() < kLine; ++i) text += std::to_string(i) + ":" + std::to_string(i % 97) + ",";
  const size_t valueAt = text.size() + 1;
  text += "\nkey=" + std::string(kLine, 'v') + "\r\nIons1=1:2\nb=2\n";
  const std::string compacted = "a=1\nIons1=@#$:4\nkey=" + std::string(kLine, 'v') + "\r\nIons1=@#$:" +
                                std::to_string(valueAt + 4 + kLine + 2) + "\nb=2\n" + std::string(kTail, '\0');
  text += std::string(kTail, '\0');
  const std::string path = dir.write("long.dat", text);
  for (const size_t chunk : {size_t{1}, size_t{1} << 30}) {
    ResultsText store;
    ASSERT_EQ(store.read(path, chunk, kAcceptAll).status, ResultsText::Status::Ok) << chunk;
    EXPECT_TRUE(wholeText(store) == compacted) << chunk;
  }
}

TEST(ResultsText, IonsOneLinesBecomeOffsetMarkers) {
  qvresultstest::ScratchDir dir;
  const std::string text = "a=1\nIons1=1:2,3:4\nIons2=5:6\r\nIons1=\nIons10x\nb=2\n";
  for (size_t chunk : {size_t{3}, size_t{1000}}) {
    ResultsText store;
    ASSERT_EQ(store.read(dir.write("t.dat", text), chunk, kAcceptAll).status, ResultsText::Status::Ok);
    EXPECT_EQ(wholeText(store), "a=1\nIons1=@#$:4\nIons2=5:6\r\nIons1=@#$:29\nIons10x\nb=2\n");
  }
}

TEST(ResultsText, FindsTextWhateverTheChunking) {
  qvresultstest::ScratchDir dir;
  std::string text;
  for (int i = 0; i < 50; ++i) text += "k" + std::to_string(i) + "\n";
  text += "[TARGET]\n";
  const std::string path = dir.write("t.dat", text);
  for (size_t chunk : {size_t{3}, size_t{4}, size_t{9}, size_t{64}}) {
    ResultsText store;
    ASSERT_EQ(store.read(path, chunk, kAcceptAll).status, ResultsText::Status::Ok);
    const uint32_t hit = store.find(0, "\n[TARGET]");
    ASSERT_EQ(hit, text.find("\n[TARGET]")) << chunk;
    EXPECT_EQ(store.find(hit + 1, "\n[TARGET]"), kNoPos);
    EXPECT_EQ(store.find(0, "absent"), kNoPos);
    EXPECT_EQ(store.afterLineEnd(hit + 1), store.size());
    EXPECT_EQ(store.afterLineEnd(0), 3u);
    EXPECT_EQ(store.find(store.size() + 1, "k"), kNoPos);
  }
}

TEST(ResultsText, FindsQuotedTokensAnywhere) {
  qvresultstest::ScratchDir dir;
  // "=\"" pairs that are not the token, tokens at the very end.
  std::string text = "a=\"b\"\nname=\"x\n";
  for (int i = 0; i < 40; ++i) text += "k" + std::to_string(i) + "=\"v\"\n";
  text += "name=\"query1\"\nname=\"query10\"";
  const std::string path = dir.write("t.dat", text);
  for (size_t chunk : {size_t{5}, size_t{17}, size_t{64}, size_t{100000}}) {
    ResultsText store;
    ASSERT_EQ(store.read(path, chunk, kAcceptAll).status, ResultsText::Status::Ok);
    const uint32_t q1 = store.find(0, "name=\"query1\"");
    const uint32_t q10 = store.find(0, "name=\"query10\"");
    EXPECT_EQ(q1, text.find("name=\"query1\"")) << chunk;
    EXPECT_EQ(q10, text.find("name=\"query10\"")) << chunk;
    EXPECT_EQ(store.afterLineEnd(q10), store.size());
    EXPECT_EQ(store.find(0, "name=\"query2\""), kNoPos);
    const auto each = store.findEach("name=\"", {"name=\"query10\"", "name=\"x", "name=\"none\""});
    EXPECT_EQ(each, (std::vector<uint32_t>{q10, static_cast<uint32_t>(text.find("name=\"x")), kNoPos}));
  }
}

// Searches for needles that begin with a watched one look only where it was
// seen while reading: they must find what a plain search of the text finds,
// from any starting place, with Ions1 lines compacted away, in every
// chunking, and also once the watched needle was seen too often to be kept.
TEST(ResultsText, WatchedNeedlesFindWhatAPlainSearchFinds) {
  qvresultstest::ScratchDir dir;
  std::mt19937 random(3);
  const std::vector<std::string> pieces = {
      "name=\"q1\"", "name=\"q12\"", "name=\"", "name=", "=\"", "\n", "Ions1=name=\"q1\"\n", "x", "[Q1]", "[", "\r\n"};
  for (const bool tooMany : {false, true}) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += pieces[random() % pieces.size()];
    if (tooMany) text += std::string(5000, '[') + text;  // beyond what is kept for a file this size
    const std::string path = dir.write("t.dat", text);
    for (size_t chunk : {size_t{7}, size_t{64}, size_t{100000}}) {
      ResultsText plain, watched;
      ASSERT_EQ(plain.read(path, chunk, kAcceptAll).status, ResultsText::Status::Ok);
      ASSERT_EQ(watched
                    .read(path, chunk,
                          [&](std::string_view) {
                            watched.watch("name=\"");
                            watched.watch("[");
                            return true;
                          })
                    .status,
                ResultsText::Status::Ok);
      const std::string whole = wholeText(plain);
      ASSERT_EQ(whole, wholeText(watched));
      for (const char* needle :
           {"name=\"q1\"", "name=\"q12\"", "name=\"", "[Q1]", "[", "name=\"absent", "\n[", "\n[Q1]"}) {
        for (uint32_t from = 0; from <= plain.size(); ++from) {
          if (tooMany && from % 53 != 0 && from != plain.size()) continue;
          const size_t expected = whole.find(needle, from);
          const uint32_t want = expected == std::string::npos ? kNoPos : static_cast<uint32_t>(expected);
          ASSERT_EQ(plain.find(from, needle), want) << needle << " " << chunk;
          ASSERT_EQ(watched.find(from, needle), want) << needle << " " << chunk;
        }
      }
    }
  }
}

TEST(ResultsText, RefusalsAndEmptyFiles) {
  qvresultstest::ScratchDir dir;
  ResultsText store;
  EXPECT_EQ(store.read(dir.path() + "/none", 100, kAcceptAll).status, ResultsText::Status::OpenFailed);
  EXPECT_EQ(store.read(dir.write("x", "abc\n"), 100, [](std::string_view) { return false; }).status,
            ResultsText::Status::NoDialect);
  EXPECT_EQ(store.size(), 0u);  // a refused file leaves no text
  ASSERT_EQ(store.read(dir.write("e", ""), 100, kAcceptAll).status, ResultsText::Status::Ok);
  EXPECT_EQ(store.size(), 0u);
  EXPECT_EQ(store.data()[0], '\0');
  EXPECT_EQ(store.find(0, "x"), kNoPos);
}

TEST(FileReader, ReadsOneLineAtAnOffset) {
  qvresultstest::ScratchDir dir;
  qv_results::FileReader reader;
  std::string line;
  EXPECT_FALSE(reader.readLine(0, line));  // not open
  EXPECT_FALSE(reader.open(dir.path() + "/none"));
  ASSERT_TRUE(reader.open(dir.write("t", "first\nsecond\r\nthird")));
  ASSERT_TRUE(reader.readLine(6, line));
  EXPECT_EQ(line, "second\r");
  ASSERT_TRUE(reader.readLine(14, line));
  EXPECT_EQ(line, "third");
  ASSERT_TRUE(reader.readLine(0, line, 3));
  EXPECT_EQ(line, "fir");
  EXPECT_FALSE(reader.readLine(1000, line));
}

}  // namespace
