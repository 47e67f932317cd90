#pragma once
// Reading a search's queries ahead of a caller that takes them in order.
// Finding lines and splitting values needs nothing but the file: a second
// thread reads the batches of queries ahead while the caller takes the
// batches already read, and the caller reads a batch itself rather than
// wait. What is read into a batch is up to `fill`, which must record
// nothing and touch nothing the caller changes (it runs on both threads).
// At most kSlots batches are read and not yet given back, which bounds the
// memory used.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>

#include "platform/threads.h"
#include "results/qv_resultsfile.h"
#include "results/section_cursor.h"

template <typename Batch>
class qv_read_ahead {
 public:
  /// Reads queries [firstQuery, endQuery) of a batch into it, through a
  /// cursor of `section` that belongs to the calling thread.
  using Fill = std::function<void(Batch& batch, int firstQuery, int endQuery, qv_resultsfile::SectionCursor& cursor)>;

  /// Reads queries [firstQuery, lastQuery] of `file` (which must outlive
  /// this object) in batches of `perBatch` queries: on a second thread and,
  /// while the caller waits for the next batch, on the caller's thread too.
  /// Without a second thread the caller reads every batch itself.
  qv_read_ahead(const qv_resultsfile& file, int section, int firstQuery, int lastQuery, int perBatch, Fill fill)
      : file_(file),
        section_(section),
        firstQuery_(firstQuery),
        lastQuery_(lastQuery),
        perBatch_(perBatch),
        batchCount_(lastQuery < firstQuery ? 0 : (lastQuery - firstQuery) / perBatch + 1),
        fill_(std::move(fill)),
        ownCursor_(file.sectionCursor(section)) {
    // Without a second thread the caller reads every batch.
    reader_.start([this] { run(); });
  }

  ~qv_read_ahead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    reader_.join();
  }
  qv_read_ahead(const qv_read_ahead&) = delete;
  qv_read_ahead& operator=(const qv_read_ahead&) = delete;

  /// The next batch in query order (the one returned before is given back);
  /// nullptr when every query has been handed out. The caller may change
  /// the batch (move values out of it) until the next call.
  Batch* next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (current_ >= 0) slots_[current_ % kSlots].state = State::FREE;
    const int k = current_ + 1;
    if (k >= batchCount_) return nullptr;
    changed_.notify_all();  // batch k - 1 is given back: its slot may be claimed
    Slot& slot = slots_[k % kSlots];
    for (;;) {
      if (nextToClaim_ > k && slot.state == State::READY) break;
      // Rather than wait, read a batch here: batch k when the thread left it
      // unread or has not claimed it yet, else one further on.
      int j = -1;
      if (nextToClaim_ > k && slot.state == State::UNREAD) {
        j = k;
        slot.state = State::FILLING;
      } else if (!claim(j)) {
        changed_.wait(lock);
        continue;
      }
      lock.unlock();
      fill(j, ownCursor_);
      lock.lock();
      slots_[j % kSlots].state = State::READY;
      changed_.notify_all();
    }
    current_ = k;
    changed_.notify_all();
    return &slot.batch;
  }

  /// The queries batch k holds: [first, end).
  int batchFirstQuery(int k) const { return firstQuery_ + k * perBatch_; }

 private:
  static constexpr int kSlots = 4;
  enum class State { FREE, FILLING, READY, UNREAD };
  struct Slot {
    Batch batch;
    State state = State::FREE;
  };

  // Batch k may be read once the batch that used its slot before has been
  // given back. Under the lock.
  bool claim(int& k) {
    if (nextToClaim_ >= batchCount_ || nextToClaim_ >= current_ + kSlots) return false;
    k = nextToClaim_++;
    slots_[k % kSlots].state = State::FILLING;
    return true;
  }

  void fill(int k, qv_resultsfile::SectionCursor& cursor) {
    const int first = batchFirstQuery(k);
    const int end = first + perBatch_ <= lastQuery_ ? first + perBatch_ : lastQuery_ + 1;
    fill_(slots_[k % kSlots].batch, first, end, cursor);
  }

  void run() {
    qv_resultsfile::SectionCursor cursor = file_.sectionCursor(section_);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_ && nextToClaim_ < batchCount_) {
      int k;
      if (!claim(k)) {
        changed_.wait(lock);
        continue;
      }
      lock.unlock();
      State done = State::READY;
      try {
        fill(k, cursor);
      } catch (const std::bad_alloc&) {
        done = State::UNREAD;  // the caller reads it, and the rest
      }
      lock.lock();
      slots_[k % kSlots].state = done;
      changed_.notify_all();
      if (done == State::UNREAD) break;
    }
    // Whatever is not claimed yet is left to the caller.
    stopping_ = true;
    changed_.notify_all();
  }

  const qv_resultsfile& file_;
  const int section_;
  const int firstQuery_;
  const int lastQuery_;
  const int perBatch_;
  const int batchCount_;
  const Fill fill_;
  qv_resultsfile::SectionCursor ownCursor_;  // for the batches the caller reads
  std::mutex mutex_;
  std::condition_variable changed_;
  Slot slots_[kSlots];
  int nextToClaim_ = 0;
  int current_ = -1;       // the batch handed out last
  bool stopping_ = false;  // the caller wants no more
  qv_platform::BackgroundTask reader_;
};
