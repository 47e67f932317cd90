#include "reports/text_report.h"

#include <memory>
#include <optional>

#include "config/qv_datfile.h"
#include "config/process_settings.h"
#include "platform/ascii.h"
#include "reports/report_numbers.h"
#include "results/qv_resultsfile.h"
#include "results/qv_searchparams.h"
#include "summary/qv_peptidesummary.h"
#include "summary/qv_proteinsummary.h"

namespace {

constexpr int kConfigTimeoutSeconds = 10;
constexpr int kOneInX = 20;
// The protein summary of the report: grouping with flag 0x2, as the web
// pages' own protein summaries are made.
constexpr uint32_t kProteinSummaryFlags = 3;

// Builds each line in one reused string and hands it to the sink whole.
class Lines {
 public:
  explicit Lines(qv_report_sink& sink) : sink_(sink) {}
  Lines& key(std::string_view k) {
    text_.assign(k);
    return *this;
  }
  Lines& numbered(std::string_view k, int q) {
    text_.assign(k);
    qv_reports::appendInt(text_, q);
    text_.push_back('=');
    return *this;
  }
  Lines& text(std::string_view v) {
    text_.append(v);
    return *this;
  }
  Lines& integer(int64_t v) {
    qv_reports::appendInt(text_, v);
    return *this;
  }
  Lines& real(double v) {
    qv_reports::appendDouble(text_, v);
    return *this;
  }
  void end() {
    text_.push_back('\n');
    sink_.line(text_);
  }
  void flush() { sink_.flush(); }
  bool readerGone() { return sink_.readerGone(); }

 private:
  qv_report_sink& sink_;
  std::string text_;
};

std::unique_ptr<qv_summary> peptideSummary(const qv_resultsfile& file, uint32_t flags, double floor, int minLength) {
  return std::make_unique<qv_peptidesummary>(file, flags, 0.0, 1, std::nullopt, floor, minLength, std::nullopt);
}

void writeReport(const qv_resultsfile& file, const std::string& fileName, Lines& out,
                 const std::function<qv_text_report_settings()>& readSettings) {
  const std::string reptype = qv_platform::asciiLower(file.getSearchParameters().getREPTYPE());
  const int queries = file.getNumQueries();
  out.key("file=").text(fileName).end();
  out.key("release=").text(file.getRelease()).end();
  out.key("queries=").integer(queries).end();
  out.flush();  // reading the configuration may wait for it

  const qv_text_report_settings settings = readSettings();
  uint32_t flags = qv_summary::FLAG_GROUP;
  int minLength = 0;
  double floor = 0.0;
  if (settings.valid) {
    if (queries > settings.mudpit) flags |= qv_summary::FLAG_THRESHOLD_SCORE;
    minLength = settings.minPeptideLength;
    floor = settings.ionsScoreFloor;
  }

  const bool msms = file.anyMSMS();
  const bool peptideReport = reptype == "peptide";
  out.flush();  // the summary of a large search takes a while
  if (out.readerGone()) return;
  std::unique_ptr<qv_summary> summary;
  if (peptideReport && msms) {
    summary = peptideSummary(file, flags, floor, minLength);
  } else {
    summary = std::make_unique<qv_proteinsummary>(file, kProteinSummaryFlags, 0.0, 50, std::nullopt,
                                                  std::nullopt);
  }

  out.key("num_hits=").integer(summary->getNumberOfHits()).end();
  if (const qv_protein* hit = summary->getHit(1)) {
    const std::string& accession = hit->getAccession();
    out.key("h1=").text(accession).text(",").real(hit->getScore()).text(",1.00,");
    out.real(summary->getProteinMass(accession)).end();
    out.key("h1_text=").text(summary->getProteinDescription(accession)).end();
  }
  out.key("reptype=").text(reptype).end();
  out.key("sigscoreprot=").integer(summary->getProteinThreshold(kOneInX)).end();

  if (msms && !peptideReport) {
    summary.reset();
    out.flush();
    if (out.readerGone()) return;
    summary = peptideSummary(file, qv_summary::FLAG_GROUP, 0.0, 0);
  }
  for (int q = 1; q <= queries; ++q) {
    if (out.readerGone()) return;
    out.numbered("ionquery", q).text(file.getQueryDescription(q)).end();
    double score = 0;
    if (msms && summary->getPeptideIonsScore(q, 1, score)) {
      out.numbered("score", q).real(score).end();
      out.numbered("sigscore", q).integer(summary->getPeptideIdentityThreshold(q, kOneInX)).end();
    }
  }
  out.key("selectpeptides=").text(msms ? "1" : "0").end();
}

}  // namespace

qv_text_report_settings qv_readTextReportSettings() {
  qv_datfile config;
  config.setTimeout(kConfigTimeoutSeconds);
  config.readFile();
  setProcessSettings(config.getOptions(), config.getCluster());
  qv_text_report_settings s;
  if (!config.isValid()) return s;
  s.valid = true;
  s.minPeptideLength = config.getOptions().getMinPepLenInPepSummary();
  s.ionsScoreFloor = config.getOptions().getIgnoreIonsScoreBelow();
  s.mudpit = config.getOptions().getMudpit();
  return s;
}

void qv_writeTextReport(const std::string& fileName, qv_report_sink& sink,
                        const std::function<qv_text_report_settings()>& readSettings) {
  const qv_resultsfile file(fileName, 0, "<!-- %d seconds -->\n");
  Lines out(sink);
  if (file.isValid()) writeReport(file, fileName, out, readSettings);
  if (file.getNumberOfErrors() > 0 && !out.readerGone()) out.key("error=").text(file.getLastErrorString()).end();
  out.flush();
}
