#pragma once
// The scalar settings of the server: the Options section of tarnel.dat.
// Every option has a default, so a missing section, a missing key or a
// rejected value always leaves a usable value. Getters are named after the
// configuration keys (`getErrorLogFile()` for `ErrorLogFile`); the few keys
// written in lower case or with underscores get the usual camel case
// (`getSendmailPath()`, `getProxyServer()`, `getProxyUsername()`).
//
// Implemented in two files: qv_options.cpp (the section reader and the
// indexed getters) and qv_options_table.cpp (the table of keys: the reading
// of each line, the key list and each value as text).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_lines.h"
#include "errors/qv_errors.h"
#include "errors/setting_defaults.h"

class qv_options {
 public:
  /// Number of columns of `ReviewColWidths`.
  static constexpr int kReviewColumns = 15;
  /// Characters kept of each `GetSeqBlastAccession` delimiter.
  static constexpr size_t kBlastDelimiterMax = 254;
  /// Characters kept of `EmailFromTextName`.
  static constexpr size_t kEmailFromTextNameMax = 256;

  /// A new object holds every default (as after setDefaults()).
  qv_options() = default;

  /// Sets every value to its default, clears the raw lines and the presence flags.
  void setDefaults() { *this = qv_options(); }

  /// Reads the section behind its header line up to a line beginning with
  /// `end` (case-sensitive), reporting rejected values into `errors` with
  /// `fileName` as the configuration file name.
  void readSection(qv_config_lines& lines, const std::string& fileName, qv_errors& errors);
  /// Interprets one Options line as the section reader does (the raw line is
  /// not stored). Useful to set any option from its configuration text.
  void applyLine(std::string_view line, const std::string& fileName, qv_errors& errors);

  /// True once the section header has been read.
  bool isSectionAvailable() const { return sectionAvailable_; }
  /// The section's lines in file order, split into key, separator and value.
  const std::vector<qv_raw_line>& getRawLines() const { return rawLines_; }

  /// Every key of the section in the order in which lines are tested.
  static std::vector<std::string_view> keys();
  /// The value of `key` as text, as written by the configuration checker
  /// (lists joined with commas); empty for an unknown key.
  std::string valueText(std::string_view key) const;

  bool getSaveLastQueryAsc() const { return saveLastQueryAsc_; }
  bool getSaveEveryLastQueryAsc() const { return saveEveryLastQueryAsc_; }
  const std::string& getLastQueryAscFile() const { return lastQueryAscFile_; }
  const std::string& getErrorLogFile() const { return errorLogFile_; }
  const std::string& getSearchLogFile() const { return searchLogFile_; }
  const std::string& getMonitorLogFile() const { return monitorLogFile_; }
  const std::string& getInterFileBasePath() const { return interFileBasePath_; }
  const std::string& getInterFileRelPath() const { return interFileRelPath_; }
  const std::string& getTarnelCmdLine() const { return tarnelCmdLine_; }
  const std::string& getTestDirectory() const { return testDirectory_; }
  const std::string& getTarnelControlFile() const { return tarnelControlFile_; }
  const std::string& getTarnelNodeControlFile() const { return tarnelNodeControlFile_; }
  const std::string& getTarnelJobIdFile() const { return tarnelJobIdFile_; }
  const std::string& getGetSeqJobIdFile() const { return getSeqJobIdFile_; }
  int getUniqueJobStartNumber() const { return uniqueJobStartNumber_; }
  const std::string& getResultsPerlScript() const { return resultsPerlScript_; }
  const std::string& getNoResultsScript() const { return noResultsScript_; }
  const std::string& getResultsFullURL() const { return resultsFullURL_; }
  const std::string& getLogoImageFile() const { return logoImageFile_; }
  int getMassDecimalPlaces() const { return massDecimalPlaces_; }
  int getIonsDecimalPlaces() const { return ionsDecimalPlaces_; }
  int getIntensitySigFigs() const { return intensitySigFigs_; }
  bool getEmailUsersEnabled() const { return emailUsersEnabled_; }
  bool getEmailErrorsEnabled() const { return emailErrorsEnabled_; }
  int getMailTransport() const { return mailTransport_; }
  const std::string& getEmailService() const { return emailService_; }
  const std::string& getEmailPassword() const { return emailPassword_; }
  const std::string& getEmailProfile() const { return emailProfile_; }
  const std::string& getSendmailPath() const { return sendmailPath_; }
  const std::string& getEmailFromUser() const { return emailFromUser_; }
  const std::string& getEmailFromTextName() const { return emailFromTextName_; }
  int getEmailTimeOutPeriod() const { return emailTimeOutPeriod_; }
  int getMonitorEmailCheckFreq() const { return monitorEmailCheckFreq_; }
  const std::string& getMailTempFile() const { return mailTempFile_; }
  const std::string& getErrMessageEmailTo() const { return errMessageEmailTo_; }
  int getMonitorTestTimeout() const { return monitorTestTimeout_; }
  const std::string& getNTMonitorGroup() const { return ntMonitorGroup_; }
  const std::string& getNTIUserGroup() const { return ntIUserGroup_; }
  int getUnixWebUserGroup() const { return unixWebUserGroup_; }
  bool getForkForUnixApache() const { return forkForUnixApache_; }
  int getSeparateLockMem() const { return separateLockMem_; }
  const std::string& getFormVersion() const { return formVersion_; }
  int getMaxSequenceLen() const { return maxSequenceLen_; }
  int getMaxConcurrentSearches() const { return maxConcurrentSearches_; }
  int getMaxSearchesPerUser() const { return maxSearchesPerUser_; }
  double getCentroidWidth() const { return centroidWidth_; }
  int getMaxDescriptionLen() const { return maxDescriptionLen_; }
  int getMaxNumPeptides() const { return maxNumPeptides_; }
  int64_t getVmemory() const { return vmemory_; }
  /// `ReportNumberChoices`: a count and the entries (-1 stands for AUTO).
  int getNumberOfReportNumberChoices() const { return static_cast<int>(reportNumberChoices_.size()); }
  /// Entry i (0-based); 0 when out of range.
  int getReportNumberChoice(int i) const;
  /// `ReviewColWidths`: width of column i (0-based, 0..14); 0 when out of range.
  int getReviewColWidth(int i) const;
  const std::string& getProxyServer() const { return proxyServer_; }
  const std::string& getProxyUsername() const { return proxyUsername_; }
  const std::string& getProxyPassword() const { return proxyPassword_; }
  int getMinPepLenInPepSummary() const { return minPepLenInPepSummary_; }
  int getMaxQueries() const { return maxQueries_; }
  bool getShowSubsets() const { return showSubsets_; }
  bool getRequireBoldRed() const { return requireBoldRed_; }
  double getScoreThresholdForAuto() const { return scoreThresholdForAuto_; }
  int getErrTolMaxAccessions() const { return errTolMaxAccessions_; }
  double getIgnoreIonsScoreBelow() const { return ignoreIonsScoreBelow_; }
  const std::string& getMonitorPidFile() const { return monitorPidFile_; }
  bool getStoreModPermutations() const { return storeModPermutations_; }
  int getProteinsInResultsFile() const { return proteinsInResultsFile_; }
  const std::string& getTarnelMessage() const { return tarnelMessage_; }
  int getSplitNumberOfQueries() const { return splitNumberOfQueries_; }
  int getSplitDataFileSize() const { return splitDataFileSize_; }
  bool getMoveOldDbToOldDir() const { return moveOldDbToOldDir_; }
  bool getRemoveOldIndexFiles() const { return removeOldIndexFiles_; }
  int getFeatureTableLength() const { return featureTableLength_; }
  double getFeatureTableMinScore() const { return featureTableMinScore_; }
  const std::string& getICATLight() const { return icatLight_; }
  const std::string& getICATHeavy() const { return icatHeavy_; }
  const std::string& getICATFilter() const { return icatFilter_; }
  /// `IgnoreDupeAccessions`: a count and the entries.
  int getNumberOfIgnoreDupeAccessions() const { return static_cast<int>(ignoreDupeAccessions_.size()); }
  /// Entry i (0-based); empty when out of range.
  std::string getIgnoreDupeAccession(int i) const;
  /// `GetSeqBlastAccession`: regular-expression mode, the two delimiters and the count.
  bool getGetSeqBlastAccessionRegex() const { return blastRegex_; }
  const std::string& getGetSeqBlastAccessionDelimiter1() const { return blastDelimiter1_; }
  const std::string& getGetSeqBlastAccessionDelimiter2() const { return blastDelimiter2_; }
  int getGetSeqBlastAccessionCount() const { return blastCount_; }
  int getMinPeakIteration() const { return minPeakIteration_; }
  bool getEncryptURL() const { return encryptURL_; }
  /// `UnixDirPerm` (octal in the file) and whether the key appeared.
  unsigned getUnixDirPerm() const { return unixDirPerm_; }
  bool isUnixDirPermSpecified() const { return unixDirPermSpecified_; }
  int getMudpit() const { return mudpit_; }
  /// `PrecursorCutOut`: both -1 when the cut-out is off.
  double getPrecursorCutOutLow() const { return precursorCutOutLow_; }
  double getPrecursorCutOutHigh() const { return precursorCutOutHigh_; }
  bool getAutoSelectCharge() const { return autoSelectCharge_; }
  const std::string& getTaxBrowserURL() const { return taxBrowserURL_; }
  int getMinPepLenInSearch() const { return minPepLenInSearch_; }

  /// Setters for the options this program uses itself (logs, control files,
  /// report limits, proxy, groups and mail). Any other option can be set with
  /// applyLine().
  void setErrorLogFile(std::string v) { errorLogFile_ = std::move(v); }
  void setMonitorLogFile(std::string v) { monitorLogFile_ = std::move(v); }
  void setInterFileBasePath(std::string v) { interFileBasePath_ = std::move(v); }
  void setTarnelControlFile(std::string v) { tarnelControlFile_ = std::move(v); }
  void setTarnelNodeControlFile(std::string v) { tarnelNodeControlFile_ = std::move(v); }
  void setMinPepLenInPepSummary(int v) { minPepLenInPepSummary_ = v; }
  void setIgnoreIonsScoreBelow(double v) { ignoreIonsScoreBelow_ = v; }
  void setMudpit(int v) { mudpit_ = v; }
  void setProxyServer(std::string v) { proxyServer_ = std::move(v); }
  void setProxyUsername(std::string v) { proxyUsername_ = std::move(v); }
  void setProxyPassword(std::string v) { proxyPassword_ = std::move(v); }
  void setNTMonitorGroup(std::string v) { ntMonitorGroup_ = std::move(v); }
  void setNTIUserGroup(std::string v) { ntIUserGroup_ = std::move(v); }
  void setEmailErrorsEnabled(bool v) { emailErrorsEnabled_ = v; }
  void setMailTransport(int v) { mailTransport_ = v; }
  void setEmailService(std::string v) { emailService_ = std::move(v); }
  void setEmailPassword(std::string v) { emailPassword_ = std::move(v); }
  void setEmailProfile(std::string v) { emailProfile_ = std::move(v); }
  void setSendmailPath(std::string v) { sendmailPath_ = std::move(v); }
  void setEmailFromUser(std::string v) { emailFromUser_ = std::move(v); }
  void setEmailFromTextName(std::string v) { emailFromTextName_ = std::move(v); }
  void setMailTempFile(std::string v) { mailTempFile_ = std::move(v); }
  void setErrMessageEmailTo(std::string v) { errMessageEmailTo_ = std::move(v); }

 private:
  friend struct qv_option_rules;  // the table of keys and their readers

  bool sectionAvailable_ = false;
  std::vector<qv_raw_line> rawLines_;

  bool saveLastQueryAsc_ = false;
  bool saveEveryLastQueryAsc_ = true;
  std::string lastQueryAscFile_ = "../logs/lastquery.asc";
  std::string errorLogFile_ = QV_DEFAULT_ERROR_LOG_FILE;
  std::string searchLogFile_ = "../logs/searches.log";
  std::string monitorLogFile_ = QV_DEFAULT_MONITOR_LOG_FILE;
  // Absolute defaults point into the installed server tree (/opt/tarnel).
  std::string interFileBasePath_ = QV_DEFAULT_INTER_FILE_BASE_PATH;
  std::string interFileRelPath_ = "../data";
  std::string tarnelCmdLine_ = "../cgi/nph-tarnel.exe";
  std::string testDirectory_ = "../data/test";
  std::string tarnelControlFile_ = "../data/tarnel.control";
  std::string tarnelNodeControlFile_ = "../data/tarnelnode.control";
  std::string tarnelJobIdFile_ = "../data/tarnel.job";
  std::string getSeqJobIdFile_ = "../data/getseq.job";
  int uniqueJobStartNumber_ = 1;
  std::string resultsPerlScript_ = "../cgi/master_results.pl";
  std::string noResultsScript_ = "../cgi/master_results.pl";
  std::string resultsFullURL_ = "http://www.example.com/cgi/master_results.pl";
  std::string logoImageFile_ = "../images/88x31_logo_white.gif";
  int massDecimalPlaces_ = 2;
  int ionsDecimalPlaces_ = 2;
  int intensitySigFigs_ = 2;
  bool emailUsersEnabled_ = false;
  bool emailErrorsEnabled_ = false;
  int mailTransport_ = QV_DEFAULT_MAIL_TRANSPORT;
  std::string emailService_;
  std::string emailPassword_;
  std::string emailProfile_;
  std::string sendmailPath_ = QV_DEFAULT_SENDMAIL_PATH;
  std::string emailFromUser_;
  std::string emailFromTextName_;
  int emailTimeOutPeriod_ = 120;
  int monitorEmailCheckFreq_ = 300;
  std::string mailTempFile_ = QV_DEFAULT_MAIL_TEMP_FILE;
  std::string errMessageEmailTo_;
  int monitorTestTimeout_ = 1200;
  std::string ntMonitorGroup_ = QV_DEFAULT_NT_MONITOR_GROUP;
  std::string ntIUserGroup_ = QV_DEFAULT_NT_IUSER_GROUP;
  int unixWebUserGroup_ = -1;
  bool forkForUnixApache_ = false;
  int separateLockMem_ = 0;
  std::string formVersion_ = "1.01";
  int maxSequenceLen_ = 50000;
  int maxConcurrentSearches_ = 10;
  int maxSearchesPerUser_ = 0;
  double centroidWidth_ = 0.25;
  int maxDescriptionLen_ = 100;
  int maxNumPeptides_ = 12500;
  int64_t vmemory_ = -1;
  std::vector<int> reportNumberChoices_;
  std::array<int, kReviewColumns> reviewColWidths_ = {7, 8, 8, 27, 30, 100, 32, 25, 6, 13, 2, 4, 6, 16, 7};
  std::string proxyServer_;
  std::string proxyUsername_;
  std::string proxyPassword_;
  int minPepLenInPepSummary_ = 5;
  int maxQueries_ = 10000;
  bool showSubsets_ = false;
  bool requireBoldRed_ = false;
  double scoreThresholdForAuto_ = 0;
  int errTolMaxAccessions_ = 0;
  double ignoreIonsScoreBelow_ = 0;
  std::string monitorPidFile_ = "../bin/monitor.pid";
  bool storeModPermutations_ = true;
  int proteinsInResultsFile_ = 2;
  std::string tarnelMessage_;
  int splitNumberOfQueries_ = 1000;
  int splitDataFileSize_ = 10000000;
  bool moveOldDbToOldDir_ = true;
  bool removeOldIndexFiles_ = true;
  int featureTableLength_ = 30000;
  double featureTableMinScore_ = 13;
  std::string icatLight_ = "ICAT_light";
  std::string icatHeavy_ = "ICAT_heavy";
  std::string icatFilter_ = "C";
  std::vector<std::string> ignoreDupeAccessions_ = {"EST_others"};
  bool blastRegex_ = false;
  std::string blastDelimiter1_ = " ";
  std::string blastDelimiter2_ = "| ";
  int blastCount_ = 3;
  int minPeakIteration_ = 1;
  bool encryptURL_ = false;
  unsigned unixDirPerm_ = 0777;
  bool unixDirPermSpecified_ = false;
  int mudpit_ = 1000;
  double precursorCutOutLow_ = -1;
  double precursorCutOutHigh_ = -1;
  bool autoSelectCharge_ = true;
  std::string taxBrowserURL_;
  int minPepLenInSearch_ = 3;
};
