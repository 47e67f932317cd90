#include "searchcontrol/output.h"

#include <cstdio>
#include <string>

namespace qv_output {

namespace {

void writeLine(std::FILE* stream, std::string_view text) {
  std::string buf;
  buf.reserve(text.size() + 1);
  buf.append(text).push_back('\n');
  std::fwrite(buf.data(), 1, buf.size(), stream);
  std::fflush(stream);
}

}  // namespace

void line(std::string_view text) { writeLine(stdout, text); }

void errorLine(std::string_view text) { writeLine(stderr, text); }

bool raw(std::string_view bytes) {
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  return std::fflush(stdout) == 0 && ok;
}

}  // namespace qv_output
