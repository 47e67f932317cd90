#include "summary/summary_source.h"

#include "results/qv_resultsfile.h"

qv_summary_source::qv_summary_source(const qv_resultsfile& file, qv_peptide_form form)
    : qv_resultsfile_peptide_source(file, form),
      file_(file),
      summaryCursor_(file.sectionCursor(SEC_SUMMARY)),
      massCursor_(file.sectionCursor(SEC_SUMMARY)),
      matchCursor_(file.sectionCursor(form == qv_peptide_form::QUERY_RANK ? SEC_PEPTIDES : SEC_SUMMARY)) {}

bool qv_summary_source::inRange(int q) const {
  if (q < 1 || q > file_.getNumQueries()) return false;
  if (massKnown_.empty()) {
    const size_t size = static_cast<size_t>(file_.getNumQueries()) + 1;
    mass_.assign(size, 0);
    charge_.assign(size, 0);
    massKnown_.assign(size, false);
    chargeKnown_.assign(size, false);
  }
  return true;
}

std::string qv_summary_source::getValue(std::string_view key) const {
  if (skipExtras_ && (key.ends_with("_primary_nl") || key.ends_with("_subst"))) return std::string();
  return file_.valueText(matchCursor_.find(key));
}

double qv_summary_source::getObservedMass(int q) const {
  if (!inRange(q)) return quiet_ ? 0.0 : file_.getObservedMass(q);
  const size_t i = static_cast<size_t>(q);
  if (!massKnown_[i]) {
    mass_[i] = file_.getObservedMass(q, massCursor_);
    massKnown_[i] = true;
  }
  return mass_[i];
}

int qv_summary_source::getObservedCharge(int q) const {
  if (!inRange(q)) return quiet_ ? -100 : file_.getObservedCharge(q);
  const size_t i = static_cast<size_t>(q);
  if (!chargeKnown_[i]) {
    charge_[i] = file_.getObservedCharge(q, summaryCursor_);  // records what it finds
    chargeKnown_[i] = true;
  } else if (charge_[i] == -100 && !quiet_) {
    // A missing line is recorded on every reading, as the file itself does.
    return file_.getObservedCharge(q);
  }
  return charge_[i];
}

void qv_summary_source::recordError(int code, std::initializer_list<qv_format::Arg> args) const {
  if (!quiet_) qv_resultsfile_peptide_source::recordError(code, args);
}
