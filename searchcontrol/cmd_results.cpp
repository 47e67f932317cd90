// --results: the text report of a finished search, after the results
// preamble, through the paced answer sink. The exit status is 0 whatever
// the report says, an unreadable results file included.
#include "reports/text_report.h"
#include "searchcontrol/answer_sink.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

int runResults(const CommandLine& line) {
  const ResultsPreamble pre = runResultsPreamble(line);
  if (!pre.resultsFileName) return pre.exitStatus;
  AnswerSink sink;
  qv_writeTextReport(*pre.resultsFileName, sink, qv_readTextReportSettings);
  return 0;
}

}  // namespace qv_searchcontrol
