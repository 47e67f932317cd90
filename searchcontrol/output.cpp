#include "searchcontrol/output.h"

#include <cstdio>
#include <string>

namespace qv_output {

bool answerLost() { return qv_answer::lost(); }

int exitStatus(int code) {
  qv_answer::flush();
  return code == 0 && qv_answer::lost() ? kAnswerNotWritten : code;
}

void line(std::string_view text) { qv_answer::line(text); }

int answerError(int code) {
  line("searchcontrol-error=" + std::to_string(code));
  return code;
}

void errorLine(std::string_view text) {
  std::string buf;
  buf.reserve(text.size() + 1);
  buf.append(text).push_back('\n');
  std::fwrite(buf.data(), 1, buf.size(), stderr);
  std::fflush(stderr);
}

bool raw(std::string_view bytes) { return qv_answer::raw(bytes); }

void flush() { qv_answer::flush(); }

}  // namespace qv_output
