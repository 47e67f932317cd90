#include "results/piece_reader.h"

namespace qv_results {

PieceReader::PieceReader(std::FILE* file, size_t pieceSize, size_t headroom, bool readAhead)
    : file_(file), pieceSize_(pieceSize == 0 ? 1 : pieceSize), headroom_(headroom) {
  const size_t slots = readAhead ? kSlots : 1;
  for (size_t i = 0; i < slots; ++i) buffers_.push_back(std::make_unique_for_overwrite<char[]>(headroom_ + pieceSize_));
  freeCount_ = slots;
  if (!readAhead) return;
  // Without a second thread next() reads each piece itself.
  reader_.start([this] { readLoop(); });
}

PieceReader::~PieceReader() {
  if (!reader_.started()) return;
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

// Reads one piece into the slot; fread returns less than asked only at the
// end of the file or on an error.
PieceReader::Filled PieceReader::fill(size_t slot) {
  const size_t n = std::fread(buffers_[slot].get() + headroom_, 1, pieceSize_, file_);
  const bool failed = std::ferror(file_) != 0;
  return {slot, failed ? 0 : n, failed, failed || n < pieceSize_};
}

void PieceReader::readLoop() {
  for (;;) {
    size_t slot;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || freeCount_ > 0; });
      if (stop_) return;
      slot = nextToFill_;
      nextToFill_ = (nextToFill_ + 1) % kSlots;
      --freeCount_;
    }
    const Filled piece = fill(slot);
    {
      const std::lock_guard lock(mutex_);
      filled_[(filledHead_ + filledCount_) % kSlots] = piece;
      ++filledCount_;
    }
    changed_.notify_all();
    if (piece.last) return;
  }
}

PieceReader::Piece PieceReader::next() {
  if (finished_) return {buffers_[0].get() + headroom_, 0, false, true};
  Filled piece;
  if (!reader_.started()) {
    piece = fill(0);
  } else {
    std::unique_lock lock(mutex_);
    if (held_ != kSlots) {
      // Slots come back in the order they were filled.
      ++freeCount_;
      held_ = kSlots;
      changed_.notify_all();
    }
    changed_.wait(lock, [this] { return filledCount_ > 0; });
    piece = filled_[filledHead_];
    filledHead_ = (filledHead_ + 1) % kSlots;
    --filledCount_;
    held_ = piece.slot;
  }
  finished_ = piece.last;
  return {buffers_[piece.slot].get() + headroom_, piece.size, piece.failed, piece.last};
}

}  // namespace qv_results
