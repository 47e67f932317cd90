#pragma once
// The server configuration object: finds tarnel.dat (or fetches it from the
// server), splits it into sections, hands each section to its reader, keeps
// the comment blocks and collects every message of the reading.
#include <string>
#include <vector>

#include "config/cluster_settings.h"
#include "config/connection_settings.h"
#include "config/cron.h"
#include "config/databases.h"
#include "config/parse_rules.h"
#include "config/processor.h"
#include "config/qv_options.h"
#include "config/taxonomy.h"
#include "config/www.h"
#include "errors/qv_errors.h"

class qv_datfile {
 public:
  /// The default places, tested in this order when no file name is set.
  static constexpr const char* kRelativePath = "../config/tarnel.dat";
  static constexpr const char* kInstalledPath = "/opt/tarnel/config/tarnel.dat";
  /// The cluster node marker file, read when the Cluster section is enabled.
  static constexpr const char* kIamFile = "../config/iam.dat";
  /// First line of the server's status page, sent instead of the file when the
  /// service is not running.
  static constexpr const char* kStatusPageMarker = "<BODY><H1>Tarnel search status page</H1>";

  /// An empty configuration: no file name, time-out 0, default connection
  /// settings, every section at its defaults.
  qv_datfile() = default;

  /// Seconds the search for the file in the default places may take.
  void setTimeout(int seconds) { timeout_ = seconds; }
  int getTimeout() const { return timeout_; }
  /// The file to read: empty for the default places, "http:..." for the server.
  void setFileName(std::string name) { fileName_ = std::move(name); }
  /// Proxy, session and time-out settings for a file fetched over HTTP.
  void setConnectionSettings(const qv_connection_settings& s) { connection_ = s; }
  const qv_connection_settings& getConnectionSettings() const { return connection_; }

  /// Reads the configuration. May be called again: every call starts afresh
  /// (sections, comment blocks and the error list are reset first).
  void readFile();

  /// Reads the configuration from `text` as if it had been fetched under the
  /// name `name` (no search, no file access except the cluster node marker
  /// and included files). Starts afresh like readFile().
  void readString(const std::string& text, const std::string& name);

  /// True when the error list holds no error (level 1) message.
  bool isValid() const { return errors_.isValid(); }
  const qv_errors& getErrors() const { return errors_; }
  int getNumberOfErrors() const { return errors_.getNumberOfErrors(); }
  /// Text of message n (1-based; -1 the last).
  std::string getErrorString(int n) const { return errors_.getErrorString(n); }
  int getLastError() const { return errors_.getLastError(); }
  int getErrorNumber(int n) const { return errors_.getErrorNumber(n); }
  int getErrorLevel(int n) const { return errors_.getErrorLevel(n); }

  /// The name actually read (after the search of the default places); empty
  /// when no file was found.
  const std::string& getFileName() const { return fileName_; }

  const qv_options& getOptions() const { return options_; }
  qv_options& getOptions() { return options_; }
  const qv_cluster_settings& getCluster() const { return cluster_; }
  qv_cluster_settings& getCluster() { return cluster_; }
  const qv_databases& getDatabases() const { return databases_; }
  const qv_parserules& getParseRules() const { return parseRules_; }
  const qv_www& getWWW() const { return www_; }
  const qv_processor& getProcessor() const { return processor_; }
  const qv_taxonomyrules& getTaxonomyRules() const { return taxonomyRules_; }
  const qv_cron& getCron() const { return cron_; }

  /// The comment and blank lines in front of each section header met, one
  /// block per header, plus a last block for the comments behind the last
  /// section (when not empty). Lines keep their line feeds.
  const std::vector<std::string>& getCommentBlocks() const { return commentBlocks_; }

  /// Fixed paths of the Files section.
  static constexpr const char* kModFile = "../config/mod_file";
  static constexpr const char* kEnzymesFile = "../config/enzymes";
  static constexpr const char* kFreqsFile = "../config/freqs.dat";
  static constexpr const char* kNodeListFile = "../config/nodelist.txt";

 private:
  void resetSections();
  [[nodiscard]] bool findFile();
  void readText(const std::string& text);
  void dispatchHeader(const std::string& header, qv_config_lines& lines);
  void applyClusterNodeSwitch();

  qv_errors errors_;
  std::string fileName_;
  int timeout_ = 0;
  qv_databases databases_;
  qv_parserules parseRules_;
  qv_www www_;
  qv_processor processor_;
  qv_cluster_settings cluster_;
  qv_taxonomyrules taxonomyRules_;
  qv_options options_;
  qv_cron cron_;
  std::vector<std::string> commentBlocks_;
  qv_connection_settings connection_;
};
