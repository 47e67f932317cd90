#pragma once
// What the peptide readers need from a results file: the values of one
// section's keys, the observed m/z and charge of a query, and a place to
// record errors. The readers take this interface so that they can be tested,
// and fuzzed, over plain text; qv_resultsfile_peptide_source connects them to
// a real results file.
#include <initializer_list>
#include <string>
#include <string_view>

#include "errors/qv_format.h"

class qv_resultsfile;

/// The two forms of a peptide match: "q%d_p%d" (query, rank) in the
/// peptides section, and "h%d_q%d" (hit, query) in the summary section.
enum class qv_peptide_form { QUERY_RANK, HIT_QUERY };

/// The key of a match: "q<q>_p<rankOrHit>" or "h<rankOrHit>_q<q>". The
/// companion keys are this key followed by their suffix.
std::string qv_peptideKey(qv_peptide_form form, int q, int rankOrHit);

/// Longest key qv_formatPeptideKey writes ("q" or "h", two integers, "_p" or "_q").
inline constexpr size_t kMaxPeptideKeyLength = 25;
/// The same key written into `out` (room for kMaxPeptideKeyLength bytes)
/// without allocating, for readers that build one per match; its length.
size_t qv_formatPeptideKey(char* out, qv_peptide_form form, int q, int rankOrHit);

class qv_peptide_source {
 public:
  virtual ~qv_peptide_source() = default;

  /// The value of `key` in the section that holds the value strings of this
  /// source's form; empty when the key is absent.
  virtual std::string getValue(std::string_view key) const = 0;
  /// Observed m/z and charge of query q (the results file's rules, including
  /// its errors for a query out of range).
  virtual double getObservedMass(int q) const = 0;
  virtual int getObservedCharge(int q) const = 0;
  /// Records results-file error `code` with its message arguments.
  virtual void recordError(int code, std::initializer_list<qv_format::Arg> args) const = 0;
};

/// The peptide source of a results file: its peptides section (QUERY_RANK)
/// or its summary section (HIT_QUERY). `file` must outlive this object.
class qv_resultsfile_peptide_source : public qv_peptide_source {
 public:
  qv_resultsfile_peptide_source(const qv_resultsfile& file, qv_peptide_form form);

  std::string getValue(std::string_view key) const override;
  double getObservedMass(int q) const override;
  int getObservedCharge(int q) const override;
  void recordError(int code, std::initializer_list<qv_format::Arg> args) const override;

 private:
  const qv_resultsfile& file_;
  int section_;
};
