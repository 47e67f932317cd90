#pragma once
// The peptide source of a summary: the results file's peptides section (or
// summary section) with the observed m/z and charge of each query worked out
// once for all its matches, and a quiet mode in which nothing is recorded,
// used when a match already read (and its problems recorded) is read again
// to hand out its peptide object. While a summary is built it keeps only a
// compact record of each match, so the two companions that only fill the
// peptide object ("_primary_nl" and "_subst", which record nothing) are left
// unread then and read when the object is made.
#include <vector>

#include "results/peptide_source.h"
#include "results/qv_resultsfile.h"
#include "results/section_cursor.h"

class qv_summary_source : public qv_resultsfile_peptide_source {
 public:
  /// `file` must outlive this object.
  qv_summary_source(const qv_resultsfile& file, qv_peptide_form form);

  double getObservedMass(int q) const override;
  /// The charge; a query without its "qexp" line records error 5 on every
  /// call (unless quiet), as the results file does.
  int getObservedCharge(int q) const override;
  void recordError(int code, std::initializer_list<qv_format::Arg> args) const override;

  std::string getValue(std::string_view key) const override;

  void setQuiet(bool quiet) const { quiet_ = quiet; }
  /// Whether "_primary_nl" and "_subst" read as absent.
  void setSkipPeptideExtras(bool skip) const { skipExtras_ = skip; }

 private:
  bool inRange(int q) const;

  const qv_resultsfile& file_;
  mutable bool quiet_ = false;
  mutable bool skipExtras_ = false;
  mutable std::vector<double> mass_;
  mutable std::vector<int> charge_;
  mutable std::vector<bool> massKnown_;
  mutable std::vector<bool> chargeKnown_;
  // Charges and masses are asked for query after query, each on its own
  // (a summary reads the charges, a report the masses): read in the order
  // of the file, a cursor each.
  mutable qv_resultsfile::SectionCursor summaryCursor_;
  mutable qv_resultsfile::SectionCursor massCursor_;
  // The matches of the source's own section are asked for in about the
  // order they are written (a protein summary reads hit after hit): read
  // in the order of the file too.
  mutable qv_resultsfile::SectionCursor matchCursor_;
};
