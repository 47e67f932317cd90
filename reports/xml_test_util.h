#pragma once
// Test helpers of the reports: the XML report of a file as text, the check
// of a document against the shipped schema with xmllint, and a sink whose
// reader goes away.
#include <string>
#include <string_view>
#include <utility>

#include "reports/report_sink.h"

namespace qvreporttest {

/// The report of results file `path` with --reporttop `top`, as written.
std::string reportOf(const std::string& path, std::string_view top);

/// Validates `xml` against schemas/sorvanter_tarnel_search_1.xsd with
/// `xmllint --schema`; empty when it is valid, else xmllint's messages.
std::string schemaErrors(const std::string& xml);

/// The lines of `text` that begin with `prefix`, each with its newline.
std::string linesStartingWith(const std::string& text, std::string_view prefix);

/// A sink whose reader goes away once it has been given `last` (at once
/// when `last` is empty).
class LeavingSink : public qv_report_sink {
 public:
  explicit LeavingSink(std::string last) : last_(std::move(last)) {}
  void line(std::string_view text) override { text_.append(text); }
  void flush() override {}
  bool readerGone() override { return text_.find(last_) != std::string::npos; }
  const std::string& text() const { return text_; }

 private:
  std::string last_;
  std::string text_;
};

}  // namespace qvreporttest
