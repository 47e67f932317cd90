#include "config/qv_options.h"

int qv_options::getReportNumberChoice(int i) const {
  return i >= 0 && i < getNumberOfReportNumberChoices() ? reportNumberChoices_[static_cast<size_t>(i)] : 0;
}

int qv_options::getReviewColWidth(int i) const {
  return i >= 0 && i < kReviewColumns ? reviewColWidths_[static_cast<size_t>(i)] : 0;
}

std::string qv_options::getIgnoreDupeAccession(int i) const {
  return i >= 0 && i < getNumberOfIgnoreDupeAccessions() ? ignoreDupeAccessions_[static_cast<size_t>(i)]
                                                         : std::string();
}

void qv_options::readSection(qv_config_lines& lines, const std::string& fileName, qv_errors& errors) {
  sectionAvailable_ = true;
  qv_readSectionLines(lines, true, [&](std::string_view text, bool) {
    rawLines_.push_back(qv_splitRawLine(text));
    applyLine(text, fileName, errors);
  });
}
