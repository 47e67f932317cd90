#include "summary/qv_protein.h"

#include <cmath>
#include <utility>

qv_protein::qv_protein(const std::vector<qv_match>& matches, qv_ref_store& refs, uint32_t id, double toleranceTerm,
                       std::string accession, double score, int32_t hitNumber, bool mixture)
    : matches_(&matches),
      toleranceTerm_(toleranceTerm),
      accession_(std::move(accession)), score_(score), hitNumber_(hitNumber), mixture_(mixture), refs_(refs, id) {}

void qv_protein::setGrouped(Status status, const std::string& leaderAccession) {
  status_ = status;
  leader_ = leaderAccession;
}

// A multiplicity of 1 takes nothing off (log10 of 1 is 0), so it costs no logarithm.
double qv_protein::reducedScore(double ionsScore, int32_t multiplicity, double toleranceTerm) {
  if (toleranceTerm > 0 && multiplicity > 1) return ionsScore - 10 * std::log10(multiplicity) * toleranceTerm;
  return ionsScore;
}

int qv_protein::getFrame() const {
  if (refs_.empty()) return -1;
  for (const qv_peptide_ref& ref : refs_)
    if (ref.frame != refs_.front().frame) return -1;
  return refs_.front().frame;
}

const qv_peptide_ref* qv_protein::getPeptideRef(int i) const {
  if (i < 1 || i > getNumPeptides()) return nullptr;
  return &refs_[static_cast<size_t>(i - 1)];
}

int qv_protein::getPeptideQuery(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? matchOf(*r).query : -1;
}
int qv_protein::getPeptideP(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? matchOf(*r).rank : -1;
}
int qv_protein::getPeptideStart(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->start : -1;
}
int qv_protein::getPeptideEnd(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->end : -1;
}
int qv_protein::getPeptideMultiplicity(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->multiplicity : -1;
}
int qv_protein::getPeptideFrame(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->frame : -1;
}
double qv_protein::getPeptideScore(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? reducedScoreOf(*r) : 0.0;
}
double qv_protein::getPeptideIonsScore(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? matchOf(*r).ionsScore : 0.0;
}
char qv_protein::getPeptideResidueBefore(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->residueBefore : '?';
}
char qv_protein::getPeptideResidueAfter(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->residueAfter : '?';
}
int qv_protein::getPeptideDuplicateFlags(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->dupFlags : -1;
}
int qv_protein::getPeptideDuplicateStatus(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? r->dupStatus : -1;
}
bool qv_protein::getPeptideIsBold(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r != nullptr && r->bold;
}
bool qv_protein::getPeptideIsRed(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r != nullptr && r->red;
}

const qv_match* qv_protein::getPeptideMatch(int i) const {
  const qv_peptide_ref* r = getPeptideRef(i);
  return r ? &matchOf(*r) : nullptr;
}

const qv_protein* qv_protein::getComponent(int i) const {
  if (i < 1 || i > getNumComponents()) return nullptr;
  return components_[static_cast<size_t>(i - 1)];
}
