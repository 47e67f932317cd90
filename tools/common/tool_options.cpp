#include "tools/common/tool_options.h"

#include <cstdio>
#include <string>

#ifndef QV_PROJECT_VERSION
#error "QV_PROJECT_VERSION must name the project version"
#endif

namespace qv_tools {

std::string_view projectVersion() { return QV_PROJECT_VERSION; }

std::optional<int> answerStandardOption(int argc, const char* const* argv, std::string_view name,
                                        std::string_view synopsis) {
  if (argc < 2 || argv[1] == nullptr) return std::nullopt;
  const std::string_view option = argv[1];
  std::string answer;
  if (option == "--help") {
    answer = synopsis;
  } else if (option == "--version") {
    answer = std::string(name) + " " + std::string(projectVersion()) + "\n";
  } else {
    return std::nullopt;
  }
  // A full disk or a closed standard output must not pass for an answer.
  const bool written = std::fwrite(answer.data(), 1, answer.size(), stdout) == answer.size();
  if (std::fflush(stdout) != 0 || !written || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "%.*s: cannot write to standard output\n", static_cast<int>(name.size()), name.data());
    return 1;
  }
  return 0;
}

}  // namespace qv_tools
