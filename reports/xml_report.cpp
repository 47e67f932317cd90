#include "reports/xml_report.h"

#include <cstdint>
#include <limits>

#include "platform/ascii.h"
#include "reports/xml_report_blocks.h"
#include "reports/xml_writer.h"
#include "results/qv_resultsfile.h"
#include "results/qv_searchparams.h"
#include "results/value_parse.h"

namespace {

constexpr qv_report_size kAuto{999999, 0.05};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a run of decimal digits, saturated to the 32-bit range.
int32_t digitsValue(std::string_view digits) {
  int64_t v = 0;
  for (char c : digits) {
    v = v * 10 + (c - '0');
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(v);
}

size_t firstNonDigit(std::string_view text, size_t from) {
  while (from < text.size() && isDigit(text[from])) ++from;
  return from;
}

void writeParameters(const qv_resultsfile& file, qv_xmlwriter& out) {
  const qv_searchparams& p = file.getSearchParameters();
  out.markup("<SearchParameters>").endLine();
  auto text = [&](std::string_view name, const std::string& value) {
    out.markup("<Parameter").attr("name", name).attr("value", value).markup(" />").endLine();
  };
  auto real = [&](std::string_view name, double value) {
    out.markup("<Parameter").attr("name", name).attrDouble("value", value).markup(" />").endLine();
  };
  auto integer = [&](std::string_view name, int64_t value) {
    out.markup("<Parameter").attr("name", name).attrInt("value", value).markup(" />").endLine();
  };
  text("SEARCH", p.getSEARCH());
  text("COM", p.getCOM());
  text("DB", p.getDB());
  text("CLE", p.getCLE());
  text("TAXONOMY", p.getTAXONOMY());
  real("ITOL", p.getITOL());
  text("ITOLU", p.getITOLU());
  real("TOL", p.getTOL());
  text("TOLU", p.getTOLU());
  text("INSTRUMENT", p.getINSTRUMENT());
  integer("PFA", p.getPFA());
  integer("SEG", p.getSEG());
  text("ICAT", p.getICAT() ? "1" : "0");
  text("MODS", p.getMODS());
  text("IT_MODS", p.getIT_MODS());
  integer("REPORT", p.getREPORT());
  text("MASS", p.getMASS());
  out.markup("</SearchParameters>").endLine();
}

void writeUserParameters(const qv_resultsfile& file, qv_xmlwriter& out) {
  out.markup("<UserDefinedParameters>").endLine();
  for (int n = 1;; ++n) {
    const std::string key = file.enumerateSectionKeys(SEC_PARAMETERS, n);
    if (key.empty()) break;
    if (key[0] != '_') continue;
    out.markup("<Parameter")
        .attr("name", key)
        .attr("value", file.getSectionValueStr(SEC_PARAMETERS, key))
        .markup(" />")
        .endLine();
  }
  out.markup("</UserDefinedParameters>").endLine();
}

}  // namespace

qv_report_size qv_reportSize(std::string_view text, int32_t reportParameter) {
  if (qv_platform::equalsIgnoringAsciiCase(text, "FILE")) {
    if (reportParameter == 0) return kAuto;
    return {reportParameter, 0.0};
  }
  if (qv_platform::equalsIgnoringAsciiCase(text, "AUTO")) return kAuto;
  const int32_t n = qv_results::leadingInt(text);
  if (n == 0) return kAuto;
  return {n, 0.0};
}

int32_t qv_peakListIndex(std::string_view title, int32_t fallback) {
  const size_t end = firstNonDigit(title, 0);
  if (end > 0 && end < title.size() && title[end] == ':') return digitsValue(title.substr(0, end));
  if (!title.empty() && !isDigit(title[0])) {
    for (size_t b = title.find('\\'); b != std::string_view::npos; b = title.find('\\', b + 2)) {
      const size_t stop = firstNonDigit(title, b + 1);
      if (stop < title.size() && title[stop] == ':') return digitsValue(title.substr(b + 1, stop - b - 1));
    }
  }
  return fallback;
}

void qv_writeXmlReport(const std::string& fileName, std::string_view reportTop, qv_report_sink& sink) {
  const qv_resultsfile file(fileName, 0, "<!-- %d seconds -->\n");
  qv_xmlwriter out(sink);
  if (!file.isValid()) {
    out.markup("content-type: text/plain").endLine();
    out.endLine();
    out.markup("error=FileNotFoundOrInvalid").endLine();
    return;
  }
  const qv_report_size size = qv_reportSize(reportTop, file.getSearchParameters().getREPORT());

  out.markup("<?xml").attr("version", "1.0").attr("encoding", "utf-8").markup(" ?>").endLine();
  out.endLine();
  const std::string ns(kXmlReportNamespace);
  out.markup("<SorvanterTarnelSearch")
      .attr("majorVersion", "1")
      .attr("minorVersion", "0")
      .attr("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance")
      .attr("xmlns", ns)
      .attr("xsi:schemaLocation", ns + " " + ns + "/sorvanter_tarnel_search_1.xsd")
      .attr("File", fileName)
      .markup(">")
      .endLine();
  writeParameters(file, out);
  writeUserParameters(file, out);
  if (file.isPMF())
    qv_writePmfBlock(file, size, out);
  else if (file.isMSMS() || file.isSQ())
    qv_writeMisBlock(file, size, out);
  out.markup("</SorvanterTarnelSearch> ").endLine();
  out.flush();
}
