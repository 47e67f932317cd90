// --xmlresults: the XML report of a finished search, after the results
// preamble. The report's lines are batched into few writes, but none that is
// complete waits long, and everything is written before the report builds a
// summary, so a reader sees the document grow.
#include <chrono>
#include <string>

#include "reports/report_sink.h"
#include "reports/xml_report.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

namespace {

class OutputSink : public qv_report_sink {
 public:
  OutputSink() { pending_.reserve(kBatch + 4096); }
  ~OutputSink() override { flush(); }

  void line(std::string_view text) override {
    if (pending_.empty()) oldest_ = std::chrono::steady_clock::now();
    pending_.append(text);
    if (pending_.size() >= kBatch || std::chrono::steady_clock::now() - oldest_ >= kMaxWait) flush();
  }

  void flush() override {
    if (pending_.empty()) return;
    (void)qv_output::raw(pending_);  // a reader that went away ends nothing here
    pending_.clear();
  }

 private:
  static constexpr size_t kBatch = 64 * 1024;
  static constexpr std::chrono::milliseconds kMaxWait{50};
  std::string pending_;
  std::chrono::steady_clock::time_point oldest_;
};

}  // namespace

int runXmlResults(const CommandLine& line) {
  const ResultsPreamble pre = runResultsPreamble(line);
  if (!pre.resultsFileName) return pre.exitStatus;
  OutputSink sink;
  qv_writeXmlReport(*pre.resultsFileName, line.reportTop, sink);
  return 0;
}

}  // namespace qv_searchcontrol
