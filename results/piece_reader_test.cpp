#include "results/piece_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "results/results_test_util.h"

namespace {

// Reads the whole file through a PieceReader, checking the room before
// every piece, and returns the bytes in order.
std::string readAll(const std::string& path, size_t pieceSize, bool readAhead, size_t* pieces = nullptr) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  EXPECT_TRUE(file);
  qv_results::PieceReader reader(file.get(), pieceSize, 16, readAhead);
  std::string out;
  size_t count = 0;
  for (;;) {
    const qv_results::PieceReader::Piece piece = reader.next();
    EXPECT_FALSE(piece.failed);
    std::memset(piece.data - reader.headroom(), 'h', reader.headroom());  // the room is the caller's
    out.append(piece.data, piece.size);
    ++count;
    if (piece.last) break;
    EXPECT_EQ(piece.size, pieceSize);
  }
  const qv_results::PieceReader::Piece after = reader.next();
  EXPECT_TRUE(after.last);
  EXPECT_EQ(after.size, 0u);
  if (pieces != nullptr) *pieces = count;
  return out;
}

TEST(PieceReader, HandsOutTheFileInOrderWithOrWithoutASecondThread) {
  qvresultstest::ScratchDir dir;
  std::string bytes;
  for (int i = 0; i < 30000; ++i) bytes += static_cast<char>('a' + (i * 7) % 26);
  const std::string path = dir.write("f", bytes);
  for (const bool ahead : {false, true}) {
    for (const size_t pieceSize : {size_t{1}, size_t{999}, size_t{1000}, size_t{30000}, size_t{1} << 20}) {
      size_t pieces = 0;
      EXPECT_EQ(readAll(path, pieceSize, ahead, &pieces), bytes) << ahead << " " << pieceSize;
      // A size that divides the file ends with an empty last piece.
      EXPECT_EQ(pieces, bytes.size() / pieceSize + 1) << ahead << " " << pieceSize;
    }
  }
  const std::string empty = dir.write("empty", "");
  EXPECT_EQ(readAll(empty, 10, true), "");
}

// A reader dropped halfway stops its thread (the test would hang or leak
// otherwise).
TEST(PieceReader, StopsWhenDroppedEarly) {
  qvresultstest::ScratchDir dir;
  const std::string path = dir.write("f", std::string(50000, 'x'));
  for (int round = 0; round < 20; ++round) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    qv_results::PieceReader reader(file.get(), 100, 0, true);
    EXPECT_TRUE(reader.readsAhead());
    for (int i = 0; i < round; ++i) EXPECT_EQ(reader.next().size, 100u);
  }
}

// A directory opens but cannot be read: the failure is reported, not an end.
TEST(PieceReader, ReadErrorIsAFailedPiece) {
  qvresultstest::ScratchDir dir;
  for (const bool ahead : {false, true}) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(dir.path().c_str(), "rb"), &std::fclose);
    ASSERT_TRUE(file);
    qv_results::PieceReader reader(file.get(), 100, 0, ahead);
    const qv_results::PieceReader::Piece piece = reader.next();
    EXPECT_TRUE(piece.failed);
    EXPECT_TRUE(piece.last);
    EXPECT_EQ(piece.size, 0u);
  }
}

}  // namespace
