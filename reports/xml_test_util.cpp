#include "reports/xml_test_util.h"

#include "reports/report_sink.h"
#include "reports/xml_report.h"
#include "testsupport/server_tree.h"

namespace qvreporttest {

std::string reportOf(const std::string& path, std::string_view top) {
  qv_string_sink sink;
  qv_writeXmlReport(path, top, sink);
  return sink.text();
}

std::string schemaErrors(const std::string& xml) {
  qvtest::ServerTree tree;
  tree.write("report.xml", xml);
  const qvtest::RunResult r =
      tree.runProgram("/usr/bin/xmllint", {"--noout", "--schema",
                                           qvtest::sourceDir() + "/schemas/sorvanter_tarnel_search_1.xsd",
                                           tree.path("report.xml")});
  if (r.status == 0) return {};
  return "xmllint status " + std::to_string(r.status) + ": " + r.err;
}

std::string linesStartingWith(const std::string& text, std::string_view prefix) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string_view line(text.data() + at, end - at);
    if (line.substr(0, prefix.size()) == prefix) out.append(line);
    at = end;
  }
  return out;
}

}  // namespace qvreporttest
