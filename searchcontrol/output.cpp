#include "searchcontrol/output.h"

#include <cstdio>
#include <string>

namespace qv_output {

namespace {

bool lost = false;

bool writeLine(std::FILE* stream, std::string_view text) {
  std::string buf;
  buf.reserve(text.size() + 1);
  buf.append(text).push_back('\n');
  const bool whole = std::fwrite(buf.data(), 1, buf.size(), stream) == buf.size();
  return std::fflush(stream) == 0 && whole;
}

}  // namespace

bool answerLost() { return lost; }

int exitStatus(int code) { return code == 0 && lost ? kAnswerNotWritten : code; }

void line(std::string_view text) {
  if (!writeLine(stdout, text)) lost = true;
}

void errorLine(std::string_view text) { (void)writeLine(stderr, text); }

bool raw(std::string_view bytes) {
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  ok = std::fflush(stdout) == 0 && ok;
  if (!ok) lost = true;
  return ok;
}

}  // namespace qv_output
