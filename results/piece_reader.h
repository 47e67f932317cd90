#pragma once
// Reading a file front to back in pieces of a fixed size, each handed out
// in a buffer with free room before it (where the caller puts the end of
// the previous piece that it still needs). For a big file a second thread
// reads the next pieces while the caller works on the current one, so the
// copying out of the page cache overlaps the caller's work.
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/threads.h"

namespace qv_results {

class PieceReader {
 public:
  struct Piece {
    char* data = nullptr;  // headroom() writable bytes lie just before it
    size_t size = 0;
    bool failed = false;  // the read failed: this piece is empty and nothing follows
    bool last = false;    // nothing follows this piece
  };

  /// Reads `file` from its current position. With `readAhead` a thread
  /// reads up to two pieces ahead; should no thread be had, the pieces are
  /// read in next(). Throws std::bad_alloc when the buffers cannot be had.
  PieceReader(std::FILE* file, size_t pieceSize, size_t headroom, bool readAhead);
  ~PieceReader();
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  /// The next piece; the buffer of the piece returned before goes back to
  /// be refilled. After a last or failed piece, every call returns an empty
  /// last piece.
  Piece next();
  size_t headroom() const { return headroom_; }
  /// True when pieces are read on a second thread.
  bool readsAhead() const { return reader_.started(); }

 private:
  struct Filled {
    size_t slot;
    size_t size;
    bool failed;
    bool last;
  };
  static constexpr size_t kSlots = 3;
  Filled fill(size_t slot);
  void readLoop();

  std::FILE* file_;
  size_t pieceSize_;
  size_t headroom_;
  std::vector<std::unique_ptr<char[]>> buffers_;
  bool finished_ = false;  // a last or failed piece has been returned
  size_t held_ = kSlots;   // slot of the piece the caller holds; kSlots: none
  // Shared with the reading thread. Slots are filled and handed out in
  // turn, so both queues are rings over the slots; nothing is allocated
  // once reading has begun.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<Filled, kSlots> filled_{};  // filled pieces in file order, from filledHead_
  size_t filledHead_ = 0;
  size_t filledCount_ = 0;
  size_t freeCount_ = 0;  // slots the thread may fill: the next ones after those filled
  size_t nextToFill_ = 0;
  bool stop_ = false;
  qv_platform::BackgroundTask reader_;
};

}  // namespace qv_results
