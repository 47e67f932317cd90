#pragma once
// The Processor section of tarnel.dat: the processors the server may use and
// which processors each database's search threads are bound to.
#include <string>
#include <vector>

#include "config/config_lines.h"
#include "config/databases.h"
#include "errors/qv_errors.h"

/// A database and the processor numbers its threads are bound to.
struct qv_processorbinding {
  std::string databaseName;
  std::vector<int> processors;
};

/// The Processor settings. Without the section the processor set is empty,
/// which leaves the choice of processors to the search engine.
class qv_processor {
 public:
  void reset();
  bool isSectionAvailable() const { return present_; }
  void setSectionAvailable() { present_ = true; }

  const std::vector<int>& getProcessorSet() const { return processorSet_; }
  const std::vector<qv_processorbinding>& getBindings() const { return bindings_; }
  const std::vector<qv_raw_line>& getRawLines() const { return rawLines_; }

  void addToProcessorSet(int processor) { processorSet_.push_back(processor); }
  void addBinding(qv_processorbinding binding) { bindings_.push_back(std::move(binding)); }
  void addRawLine(const qv_raw_line& line) { rawLines_.push_back(line); }

  /// `ProcessorSet=<n>,<n>...` when the set is not empty, then one line per
  /// binding: `ProcessorBinding=<database> processors=<n>,<n>...`.
  std::vector<std::string> dumpLines() const;

 private:
  bool present_ = false;
  std::vector<int> processorSet_;
  std::vector<qv_processorbinding> bindings_;
  std::vector<qv_raw_line> rawLines_;
};

/// Reads the Processor section up to a line beginning with `end` (any case).
/// Database names are looked up among the active entries of `databases` (so
/// the Databases section must come first in the file). Messages 0x619, 0x61D.
void readProcessorSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors,
                          const qv_databases& databases, qv_processor& out);
