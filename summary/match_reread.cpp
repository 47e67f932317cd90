#include "summary/match_reread.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "results/peptide_scan.h"
#include "results/peptide_source.h"
#include "results/peptide_string.h"

namespace {

constexpr int kMaxRanks = 15;

}  // namespace

qv_peptide::Values qv_reread_match::values() const {
  qv_peptide::Values v = numbers;
  v.sequence = sequence;
  v.varModsStr = varMods;
  v.seriesUsedStr = seriesUsed;
  return v;
}

void qv_rereadQuery(const qv_resultsfile& file, qv_resultsfile::SectionCursor& cursor,
                    const qv_match_companions* marks, int q, uint32_t ranks, qv_reread_match* out) {
  if (marks != nullptr && !marks->ready()) marks = nullptr;
  // The values are found through the cursor (in the order of the file); the
  // companions the marks do not rule out are asked of the index together.
  char keys[2 * kMaxRanks][48];
  std::string_view asked[2 * kMaxRanks];
  qv_valueref* answers[2 * kMaxRanks];
  qv_valueref values[kMaxRanks + 1];
  qv_valueref primaryNl[kMaxRanks + 1];
  qv_valueref subst[kMaxRanks + 1];
  size_t n = 0;
  const auto ask = [&](std::string_view key, qv_valueref* answer) {
    asked[n] = key;
    answers[n] = answer;
    ++n;
  };
  for (int p = 1; p <= kMaxRanks; ++p) {
    if ((ranks >> p & 1) == 0) continue;
    char* key = keys[2 * (p - 1)];
    char* substKey = keys[2 * (p - 1) + 1];
    const size_t length = qv_formatPeptideKey(key, qv_peptide_form::QUERY_RANK, q, p);
    values[p] = cursor.find(std::string_view(key, length));
    if (marks == nullptr || marks->has(q, p, qv_match_companions::PRIMARY_NL)) {
      std::memcpy(key + length, "_primary_nl", 11);
      ask(std::string_view(key, length + 11), &primaryNl[p]);
    }
    if (marks == nullptr || marks->has(q, p, qv_match_companions::SUBST)) {
      std::memcpy(substKey, key, length);
      std::memcpy(substKey + length, "_subst", 6);
      ask(std::string_view(substKey, length + 6), &subst[p]);
    }
  }
  for (size_t from = 0; from < n; from += qv_resultsfile::kMaxValuesAtOnce) {
    const size_t count = std::min(n - from, qv_resultsfile::kMaxValuesAtOnce);
    qv_valueref found[qv_resultsfile::kMaxValuesAtOnce];
    file.findSectionValues(SEC_PEPTIDES, std::span<const std::string_view>(asked + from, count),
                           std::span<qv_valueref>(found, count));
    for (size_t k = 0; k < count; ++k) *answers[from + k] = found[k];
  }

  // A value the fast reader splits gives the same values the full reader
  // would; anything else (a value kept on disk, one it refuses) is left to
  // the full reader.
  for (int p = 1; p <= kMaxRanks; ++p) {
    if ((ranks >> p & 1) == 0) continue;
    qv_reread_match& match = out[p];
    match = qv_reread_match();
    const qv_valueref& value = values[p];
    if (value.where != qv_valueref::IN_MEMORY || primaryNl[p].where == qv_valueref::ON_DISK ||
        subst[p].where == qv_valueref::ON_DISK)
      continue;
    if (value.text == "-1") {
      match.state = qv_reread_match::NO_MATCH;
      continue;
    }
    std::string_view fields[11];
    std::string_view proteins;
    if (!qv_scanQueryRankFields(value.text, fields, proteins)) continue;
    match.state = qv_reread_match::SPLIT;
    qv_queryRankNumbers(fields, match.numbers);
    match.sequence = fields[4];
    match.varMods = fields[6];
    match.seriesUsed = fields[8];
    match.hasPrimaryNl = primaryNl[p].found();
    match.primaryNl = primaryNl[p].text;
    match.hasSubstitutions = subst[p].found();
    match.substitutions = subst[p].text;
  }
}

qv_match_rereader::qv_match_rereader(const qv_resultsfile& file, int numQueries, int maxRank, bool large,
                                     std::function<uint32_t(int)> ranksOf, Way way)
    : file_(file),
      numQueries_(numQueries),
      maxRank_(std::min(maxRank, kMaxRanks)),
      large_(large),
      way_(way),
      ranksOf_(std::move(ranksOf)) {}

qv_match_rereader::~qv_match_rereader() = default;

// From the queries read ahead when the caller walks the search, else read
// here. Rank 1 alone may be all a caller wants (the text report); a caller
// that wants rank 2 as well wants the rest, which are then read together.
const qv_reread_match& qv_match_rereader::match(int q, int p) {
  if (const qv_reread_match* ahead = aheadMatch(q, p)) return *ahead;
  if (query_ != q) {
    query_ = q;
    ranks_ = 0;
  }
  if ((ranks_ >> p & 1) == 0) {
    uint32_t ranks = uint32_t{1} << p;
    if (p > 1) {
      ranks |= ranksOf_(q) & ~((uint32_t{1} << p) - 1) & ~ranks_;
      startWalkWhenDue(q);
    }
    if (!cursor_) cursor_.emplace(file_.sectionCursor(SEC_PEPTIDES));
    qv_rereadQuery(file_, *cursor_, companions_.get(), q, ranks, matches_);
    ranks_ |= ranks;
  }
  return matches_[p];
}

// Batches are taken in order. A query behind the batch in hand is read
// here; a caller that asks for one beyond the next batch is not walking the
// search, and the reading ahead stops.
const qv_reread_match* qv_match_rereader::aheadMatch(int q, int p) {
  if (!ahead_) return nullptr;
  if (q < (batch_ == nullptr ? walkFirstQuery_ : batch_->firstQuery)) return nullptr;
  if (batch_ == nullptr || q >= batch_->endQuery) {
    const int expected = batch_ == nullptr ? walkFirstQuery_ : batch_->endQuery;
    if (q >= expected + kBatchQueries || (batch_ = ahead_->next()) == nullptr) {
      stopWalk();
      return nullptr;
    }
  }
  return &batch_->matches[static_cast<size_t>(q - batch_->firstQuery) * static_cast<size_t>(maxRank_ + 1) +
                          static_cast<size_t>(p)];
}

void qv_match_rereader::stopWalk() {
  batch_ = nullptr;
  ahead_.reset();
}

// Reading ahead costs a second thread and a walk over the section for the
// marks: it starts once enough queries of a large search have been re-read
// in full to show that the caller walks them all. It starts once at most.
void qv_match_rereader::startWalkWhenDue(int q) {
  if (walkTried_) return;
  const Way use = way_;
  if (use == Way::PLAIN) return;
  if (use == Way::AUTO && (!large_ || ++fullRereads_ < kFullRereadsBeforeWalk)) return;
  walkTried_ = true;
  if (q >= numQueries_) return;
  companions_ = std::make_unique<qv_match_companions>(file_, numQueries_, maxRank_, use == Way::AUTO);
  walkFirstQuery_ = q + 1;
  ahead_ = std::make_unique<qv_read_ahead<Batch>>(
      file_, SEC_PEPTIDES, q + 1, numQueries_, kBatchQueries,
      [this](Batch& batch, int firstQuery, int endQuery, qv_resultsfile::SectionCursor& cursor) {
        fill(batch, firstQuery, endQuery, cursor);
      });
}

// Every match of the batch's queries; a rank without a match is left to the
// full reader, which is never asked for it.
void qv_match_rereader::fill(Batch& batch, int firstQuery, int endQuery, qv_resultsfile::SectionCursor& cursor) const {
  const auto perQuery = static_cast<size_t>(maxRank_ + 1);
  batch.firstQuery = firstQuery;
  batch.endQuery = endQuery;
  batch.matches.resize(static_cast<size_t>(endQuery - firstQuery) * perQuery);
  for (int q = firstQuery; q < endQuery; ++q) {
    qv_reread_match* out = &batch.matches[static_cast<size_t>(q - firstQuery) * perQuery];
    const uint32_t ranks = ranksOf_(q);
    for (int p = 1; p <= maxRank_; ++p)
      if ((ranks >> p & 1) == 0) out[p].state = qv_reread_match::FULL_READER;
    qv_rereadQuery(file_, cursor, companions_.get(), q, ranks, out);
  }
}
