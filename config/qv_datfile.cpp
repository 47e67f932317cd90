#include "config/qv_datfile.h"

#include <optional>
#include <string_view>

#include "config/config_lines.h"
#include "config/config_messages.h"
#include "config/config_scan.h"
#include "config/config_source.h"
#include "platform/clock.h"
#include "platform/file_io.h"

namespace {

// Pause between two tests of the default places: the search waits for a file
// that may appear (a server being installed), and need not spin a core.
constexpr int kSearchPauseMilliseconds = 10;

}  // namespace

void qv_datfile::resetSections() {
  databases_.reset();
  parseRules_.reset();
  www_.reset();
  processor_.reset();
  cluster_.setDefaults();
  taxonomyRules_.reset();
  options_.setDefaults();
  cron_.reset();
  commentBlocks_.clear();
}

bool qv_datfile::findFile() {
  const int64_t start = qv_platform::currentTime();
  const std::string requested = fileName_;
  for (;;) {
    std::string name = requested;
    if (name.empty()) {
      if (qv_platform::pathExists(kRelativePath)) {
        name = kRelativePath;
      } else if (qv_platform::pathExists(kInstalledPath)) {
        name = kInstalledPath;
      }
    }
    if (!name.empty() && qv_platform::pathExists(name)) {
      fileName_ = name;
      return true;
    }
    if (qv_platform::currentTime() - start > timeout_) break;
    qv_platform::sleepMilliseconds(kSearchPauseMilliseconds);
  }
  errors_.setError(MSG_NO_TARNEL_DAT);
  fileName_.clear();
  return false;
}

void qv_datfile::readFile() {
  errors_.clearAllErrors();
  resetSections();

  const qv_config_name_kind kind = qv_classifyConfigName(fileName_);
  // Names of one to three characters are opened as they stand; an empty
  // name and longer local text names go through the search.
  const bool search = kind == qv_config_name_kind::LocalText && (fileName_.empty() || fileName_.size() >= 4);
  if (search && !findFile()) return;

  qv_config_source source(errors_, connection_);
  std::optional<std::string> text = source.open(fileName_, QV_FILE_TARNEL_DAT);
  if (!text) return;
  readText(*text);
  checkDatabaseRules(databases_, parseRules_, fileName_, errors_);
  applyClusterNodeSwitch();
}

void qv_datfile::readString(const std::string& text, const std::string& name) {
  errors_.clearAllErrors();
  resetSections();
  fileName_ = name;
  readText(text);
  checkDatabaseRules(databases_, parseRules_, fileName_, errors_);
  applyClusterNodeSwitch();
}

void qv_datfile::readText(const std::string& text) {
  qv_config_lines lines(text);
  std::string line;
  std::string pendingComment;
  while (lines.next(line, qv_config_lines::kTopLevelLimit)) {
    if (qv_isCommentOrBlank(line)) {
      pendingComment += line;
      pendingComment += '\n';
      continue;
    }
    if (std::string_view(line).substr(0, std::string_view(kStatusPageMarker).size()) == kStatusPageMarker) {
      errors_.setError(MSG_SERVICE_NOT_RUNNING);
      return;
    }
    commentBlocks_.push_back(std::move(pendingComment));
    pendingComment.clear();
    dispatchHeader(line, lines);
  }
  if (!pendingComment.empty()) commentBlocks_.push_back(std::move(pendingComment));
}

void qv_datfile::dispatchHeader(const std::string& header, qv_config_lines& lines) {
  // Every section name that the header begins with opens its section, in
  // this order; the comparison covers only the name's length.
  if (qv_startsWithNoCase(header, "Databases")) {
    readDatabasesSection(lines, fileName_, errors_, databases_);
  }
  if (qv_startsWithNoCase(header, "Files")) {
    qv_readSectionLines(lines, false, [](std::string_view, bool) {});  // read past, unused
  }
  if (qv_startsWithNoCase(header, "WWW")) {
    readWwwSection(lines, fileName_, errors_, www_);
  }
  if (qv_startsWithNoCase(header, "PARSE")) {
    readParseSection(lines, fileName_, errors_, parseRules_);
  }
  if (qv_startsWithNoCase(header, "Processor")) {
    readProcessorSection(lines, fileName_, errors_, databases_, processor_);
  }
  if (qv_startsWithNoCase(header, "Cluster")) {
    cluster_.readSection(lines, fileName_, errors_);
  }
  if (qv_startsWithNoCase(header, "TAXONOMY_")) {
    readTaxonomySection(lines, header, fileName_, errors_, taxonomyRules_);
  }
  if (qv_startsWithNoCase(header, "Options")) {
    options_.readSection(lines, fileName_, errors_);
  }
  if (qv_startsWithNoCase(header, "CRON")) {
    readCronSection(lines, fileName_, errors_, cron_);
  }
}

void qv_datfile::applyClusterNodeSwitch() {
  if (!cluster_.isEnabled()) return;
  if (!qv_platform::pathExists(kIamFile)) return;
  const std::optional<std::string> text = qv_readLocalConfigFile(kIamFile, errors_);
  if (!text) return;
  // The file's first integer, read as "%d" reads it; 0 makes this computer
  // a node of the cluster.
  const std::optional<int> value = qv_scan::readInt(*text);
  if (value == 0) options_.setTarnelControlFile(options_.getTarnelNodeControlFile());
}
