#include "summary/match_read_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

#include "summary/string_pool.h"


void qv_preReadMatch(qv_resultsfile::SectionCursor& cursor, int q, int p, qv_pre_read_match& out,
                     qv_pre_read_proteins& proteins) {
  out = qv_pre_read_match();
  out.rank = p;
  char key[48];
  const size_t keyLength = qv_formatPeptideKey(key, qv_peptide_form::QUERY_RANK, q, p);
  out.value = cursor.find(std::string_view(key, keyLength));
  if (out.value.where != qv_valueref::IN_MEMORY) return;
  out.fast = qv_scanQueryRankValue(out.value.text, out.scan);
  if (!out.fast) return;
  out.sequenceHash = qv_string_pool::hashOf(out.scan.sequence);
  out.modsHash = qv_string_pool::hashOf(out.scan.varMods);
  if (out.scan.noMatch || qv_proteinListIsBlank(out.scan.proteinList)) return;
  std::memcpy(key + keyLength, "_terms", 6);
  const qv_valueref terms = cursor.find(std::string_view(key, keyLength + 6));
  if (terms.where == qv_valueref::ON_DISK) return;
  const size_t begin = proteins.scans.size();
  out.listFast = qv_scanProteinList(out.scan.proteinList, terms.text, proteins.scans);
  if (!out.listFast) {
    proteins.scans.resize(begin);
    return;
  }
  for (size_t i = begin; i < proteins.scans.size(); ++i)
    proteins.hashes.push_back(qv_string_pool::hashOf(proteins.scans[i].accession));
  out.proteinsBegin = static_cast<uint32_t>(begin);
  out.proteinCount = static_cast<uint32_t>(proteins.scans.size() - begin);
}

qv_match_read_ahead::qv_match_read_ahead(const qv_resultsfile& file, int numQueries, int maxRank)
    : file_(file),
      numQueries_(numQueries),
      maxRank_(maxRank),
      batchCount_(numQueries <= 0 ? 0 : (numQueries - 1) / kQueriesPerBatch + 1),
      ownCursor_(file.sectionCursor(SEC_PEPTIDES)) {
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    // No second thread: the caller reads every batch.
  }
}

qv_match_read_ahead::~qv_match_read_ahead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

// Batch k may be read once the batch that used its slot before has been
// given back.
bool qv_match_read_ahead::claim(int& k) {
  if (nextToClaim_ >= batchCount_ || nextToClaim_ >= current_ + kSlots) return false;
  k = nextToClaim_++;
  slots_[k % kSlots].state = State::FILLING;
  return true;
}

void qv_match_read_ahead::fill(int k, qv_resultsfile::SectionCursor& cursor) {
  Batch& batch = slots_[k % kSlots].batch;
  batch.firstQuery = 1 + k * kQueriesPerBatch;
  batch.endQuery = std::min(batch.firstQuery + kQueriesPerBatch, numQueries_ + 1);
  batch.queryBegin.clear();
  batch.matches.clear();
  batch.proteins.clear();
  for (int q = batch.firstQuery; q < batch.endQuery; ++q) {
    batch.queryBegin.push_back(static_cast<uint32_t>(batch.matches.size()));
    for (int p = 1; p <= maxRank_; ++p) {
      batch.matches.emplace_back();
      qv_preReadMatch(cursor, q, p, batch.matches.back(), batch.proteins);
    }
  }
  batch.queryBegin.push_back(static_cast<uint32_t>(batch.matches.size()));
}

void qv_match_read_ahead::run() {
  qv_resultsfile::SectionCursor cursor = file_.sectionCursor(SEC_PEPTIDES);
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

const qv_match_read_ahead::Batch* qv_match_read_ahead::next() {
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
