// --xmlresults: the XML report of a finished search, after the results
// preamble. The report's lines go out through the paced answer sink: few
// writes, none complete waits long, and everything is written before the
// report builds a summary, so a reader sees the document grow.
#include <string>

#include "reports/xml_report.h"
#include "searchcontrol/answer_sink.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

int runXmlResults(const CommandLine& line) {
  const ResultsPreamble pre = runResultsPreamble(line);
  if (!pre.resultsFileName) return pre.exitStatus;
  AnswerSink sink;
  qv_writeXmlReport(*pre.resultsFileName, line.reportTop, sink);
  return 0;
}

}  // namespace qv_searchcontrol
