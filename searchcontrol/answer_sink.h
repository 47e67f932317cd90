#pragma once
// The sink through which the program's reports reach standard output: the
// paced answer output (platform/answer_output.h) for as long as the sink
// lives. Lines collect in the standard output buffer and go out when it
// fills, when the report flushes before a long computation, and otherwise
// within 20 ms through the flusher thread, so a reader sees the report grow
// without a write per line.
#include <string_view>

#include "platform/answer_output.h"
#include "reports/report_sink.h"

namespace qv_searchcontrol {

class AnswerSink : public qv_report_sink {
 public:
  /// Takes one or more complete lines, the newline of each included.
  void line(std::string_view text) override { (void)qv_answer::raw(text); }
  /// Writes everything taken so far.
  void flush() override { qv_answer::flush(); }
  /// Standard output refused bytes or its reader has gone.
  bool readerGone() override { return qv_answer::readerGone(); }

 private:
  qv_answer::PacedAnswer paced_;
};

}  // namespace qv_searchcontrol
