#include "config/processor.h"

#include <algorithm>
#include <cstdint>

#include "config/config_messages.h"
#include "config/config_scan.h"

namespace {

std::string joinNumbers(const std::vector<int>& numbers) {
  std::string text;
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(numbers[i]);
  }
  return text;
}

}  // namespace

void qv_processor::reset() { *this = qv_processor(); }

std::vector<std::string> qv_processor::dumpLines() const {
  std::vector<std::string> lines;
  if (!processorSet_.empty()) lines.push_back("ProcessorSet=" + joinNumbers(processorSet_));
  for (const qv_processorbinding& binding : bindings_) {
    lines.push_back("ProcessorBinding=" + binding.databaseName + " processors=" + joinNumbers(binding.processors));
  }
  return lines;
}

void readProcessorSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors,
                          const qv_databases& databases, qv_processor& out) {
  out.setSectionAvailable();
  constexpr std::string_view kSetKey = "ProcessorSet";
  qv_readSectionLines(in, false, [&](std::string_view text, bool commentOrBlank) {
    out.addRawLine(qv_splitRawLine(text));
    if (commentOrBlank) return;

    if (qv_startsWithNoCase(text, kSetKey)) {
      // The key and one separator character ("ProcessorSet=1,2,3").
      const std::string_view list = text.size() > kSetKey.size() + 1 ? text.substr(kSetKey.size() + 1) : "";
      for (std::string_view part : qv_scan::tokens(list, ", \r\n")) {
        if (const std::optional<int> processor = qv_scan::readInt(part)) out.addToProcessorSet(*processor);
      }
      return;
    }

    const size_t nameEnd = std::min(text.find_first_of(" \t="), text.size());
    const std::string_view name = text.substr(0, nameEnd);
    const int index = databases.findDatabase(name);
    if (index < 0) {
      errors.setError(MSG_INVALID_LINE, fileName, name);
      return;
    }
    const int threads = databases.getDatabase(index).threadCount;
    qv_processorbinding binding;
    binding.databaseName = name;
    for (std::string_view part : qv_scan::tokens(text.substr(nameEnd), "=, \t\r\n")) {
      const std::optional<int> processor = qv_scan::readInt(part);
      if (!processor) continue;
      binding.processors.push_back(*processor);
      if (static_cast<int64_t>(binding.processors.size()) > threads) {
        errors.setError(MSG_PROCESSOR_TOO_MANY_THREADS, fileName, threads, name);
        break;
      }
    }
    out.addBinding(std::move(binding));
  });
}
