#include "results/peptide_source.h"

#include <charconv>

#include "results/qv_resultsfile.h"

std::string qv_peptideKey(qv_peptide_form form, int q, int rankOrHit) {
  if (form == qv_peptide_form::QUERY_RANK) return "q" + std::to_string(q) + "_p" + std::to_string(rankOrHit);
  return "h" + std::to_string(rankOrHit) + "_q" + std::to_string(q);
}

size_t qv_formatPeptideKey(char* out, qv_peptide_form form, int q, int rankOrHit) {
  const bool queryRank = form == qv_peptide_form::QUERY_RANK;
  char* at = out;
  *at++ = queryRank ? 'q' : 'h';
  at = std::to_chars(at, out + 12, queryRank ? q : rankOrHit).ptr;
  *at++ = '_';
  *at++ = queryRank ? 'p' : 'q';
  at = std::to_chars(at, out + kMaxPeptideKeyLength, queryRank ? rankOrHit : q).ptr;
  return static_cast<size_t>(at - out);
}

qv_resultsfile_peptide_source::qv_resultsfile_peptide_source(const qv_resultsfile& file, qv_peptide_form form)
    : file_(file), section_(form == qv_peptide_form::QUERY_RANK ? SEC_PEPTIDES : SEC_SUMMARY) {}

std::string qv_resultsfile_peptide_source::getValue(std::string_view key) const {
  return file_.getSectionValueStr(section_, key);
}

double qv_resultsfile_peptide_source::getObservedMass(int q) const { return file_.getObservedMass(q); }

int qv_resultsfile_peptide_source::getObservedCharge(int q) const { return file_.getObservedCharge(q); }

void qv_resultsfile_peptide_source::recordError(int code, std::initializer_list<qv_format::Arg> args) const {
  // The peptide errors carry at most four arguments.
  const qv_format::Arg* a = args.begin();
  switch (args.size()) {
    case 0:
      file_.setError(code);
      break;
    case 1:
      file_.setError(code, a[0]);
      break;
    case 2:
      file_.setError(code, a[0], a[1]);
      break;
    case 3:
      file_.setError(code, a[0], a[1], a[2]);
      break;
    default:
      file_.setError(code, a[0], a[1], a[2], a[3]);
      break;
  }
}
