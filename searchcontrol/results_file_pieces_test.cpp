// The piecewise reader of the results-file commands on real files: every
// byte handed over once and in order across piece boundaries, a consumer
// that stops, and files that cannot be read.
#include "searchcontrol/results_file_pieces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/scratch_dir.h"

namespace {

using qv_searchcontrol::kResultsFilePiece;
using qv_searchcontrol::readResultsFilePieces;
using qv_searchcontrol::ResultsFileEnd;

// A text of `size` bytes that differs at every position of a piece, so that
// a piece handed over twice or out of order shows.
std::string patterned(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

struct Collected {
  ResultsFileEnd end;
  std::string bytes;
  std::vector<size_t> sizes;
};

Collected collect(const std::string& path, size_t stopAfter = SIZE_MAX) {
  Collected c;
  c.end = readResultsFilePieces(path, [&](std::string_view piece) {
    c.bytes.append(piece);
    c.sizes.push_back(piece.size());
    return c.sizes.size() < stopAfter;
  });
  return c;
}

TEST(ResultsFilePieces, HandsOverEveryByteInOrderAcrossPieceBoundaries) {
  qvtest::ScratchDir dir;
  for (const size_t size : {size_t{1}, kResultsFilePiece - 1, kResultsFilePiece, 2 * kResultsFilePiece + 3}) {
    const std::string text = patterned(size);
    const Collected c = collect(dir.write("f.dat", text));
    EXPECT_EQ(c.end, ResultsFileEnd::kEndOfFile) << size;
    EXPECT_TRUE(c.bytes == text) << size;
    for (const size_t s : c.sizes) {
      EXPECT_GT(s, 0u) << size;
      EXPECT_LE(s, kResultsFilePiece) << size;
    }
  }
}

TEST(ResultsFilePieces, EmptyFileEndsWithoutAPiece) {
  qvtest::ScratchDir dir;
  const Collected c = collect(dir.write("empty.dat", ""));
  EXPECT_EQ(c.end, ResultsFileEnd::kEndOfFile);
  EXPECT_TRUE(c.sizes.empty());
}

TEST(ResultsFilePieces, ConsumerThatRefusesStopsTheReading) {
  qvtest::ScratchDir dir;
  const std::string text = patterned(3 * kResultsFilePiece);
  const Collected c = collect(dir.write("f.dat", text), 1);
  EXPECT_EQ(c.end, ResultsFileEnd::kStopped);
  ASSERT_EQ(c.sizes.size(), 1u);
  EXPECT_TRUE(c.bytes == text.substr(0, c.sizes[0]));
}

// The file is cut (or grown) to `size` as its first piece is handed over:
// reading ends short of the size the file had when it was opened only when
// the new size is below it, by one byte already.
TEST(ResultsFilePieces, FileThatEndsBeforeItsSizeAtOpeningIsCutShort) {
  qvtest::ScratchDir dir;
  const std::string text = patterned(3 * kResultsFilePiece);
  const struct {
    size_t size;
    ResultsFileEnd end;
  } cases[] = {{0, ResultsFileEnd::kCutShort},
               {kResultsFilePiece + 5, ResultsFileEnd::kCutShort},
               {text.size() - 1, ResultsFileEnd::kCutShort},
               {text.size(), ResultsFileEnd::kEndOfFile},
               {text.size() + 1, ResultsFileEnd::kEndOfFile}};
  for (const auto& c : cases) {
    const std::string path = dir.write("f.dat", text);
    std::string bytes;
    const ResultsFileEnd end = readResultsFilePieces(path, [&](std::string_view piece) {
      if (bytes.empty()) std::filesystem::resize_file(path, c.size);
      bytes.append(piece);
      return true;
    });
    EXPECT_EQ(end, c.end) << c.size;
    std::string expected = text;
    expected.resize(std::max(c.size, kResultsFilePiece), '\0');
    EXPECT_TRUE(bytes == expected) << c.size << ": " << bytes.size() << " bytes";
  }
}

TEST(ResultsFilePieces, MissingFileAndDirectoryAreNotRead) {
  qvtest::ScratchDir dir;
  EXPECT_EQ(collect(dir.path() + "/missing.dat").end, ResultsFileEnd::kNotRead);
  const Collected d = collect(dir.path());
  EXPECT_EQ(d.end, ResultsFileEnd::kNotRead);
  EXPECT_TRUE(d.sizes.empty());
}

}  // namespace
