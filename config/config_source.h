#pragma once
// Turns the name of a configuration file into its text: a local file is read
// directly (bounded, see qv_readConfigText); an address beginning with
// "http:" becomes a request to the server's parameter script and the answer
// is fetched over HTTP through the extension module, which is loaded only
// then.
#include <optional>
#include <string>
#include <string_view>

#include "config/connection_settings.h"
#include "errors/qv_errors.h"

/// What a configuration file name refers to.
enum class qv_config_name_kind { LocalText, LocalXml, RemoteText, RemoteXml };

/// Classifies a name: begins with "http:" (any case) and ends with "xml"
/// (any case), two independent tests. Names of fewer than 4 characters are
/// local text files.
qv_config_name_kind qv_classifyConfigName(std::string_view name);

/// File kinds: which file is requested from the server.
enum qv_config_file_kind : int {
  QV_FILE_AS_GIVEN = 0,
  QV_FILE_TARNEL_DAT = 1,
  QV_FILE_ENZYMES = 2,
  QV_FILE_FRAGMENTATION_RULES = 3,
  QV_FILE_MASSES = 4,
  QV_FILE_MOD_FILE = 5,  ///< substitutions file when the extra flag is set
  QV_FILE_AS_GIVEN_CHECKED = 6,
  QV_FILE_TAXONOMY = 7,
};

/// Characters of a single line read beyond which the reading of a
/// configuration text ends: longer lines end every reader anyway.
inline constexpr size_t kConfigTextLineCut = 1000;
/// Most bytes read of one configuration file.
inline constexpr size_t kConfigTextMaxBytes = 64u << 20;

/// Result of reading a local configuration text.
enum class qv_read_text_result { Ok, Truncated, CannotOpen, CannotRead };

/// Reads a local configuration file into `text`, bounded: a line that
/// reaches kConfigTextLineCut characters is kept up to that length and ends
/// the reading (every line reader stops at such a line), and no more than
/// kConfigTextMaxBytes are read (Truncated). Only a regular file is read:
/// directories, devices, pipes and sockets cannot be opened (a pipe would
/// block the reader for ever). A read that fails part-way gives CannotRead,
/// never a shorter text. `why` (when given) receives the system's text of a
/// failure.
[[nodiscard]] qv_read_text_result qv_readConfigText(const std::string& path, std::string& text,
                                                    std::string* why = nullptr);

/// qv_readConfigText for the readers that keep an error list: the text of
/// the local file `path`, or nullopt after adding MSG_FAILED_TO_OPEN_FILE to
/// `errors` (with "r" when the file cannot be opened, "reading (<system
/// text>)" when it cannot be read whole). `truncated`, when given, is set
/// to whether the text was cut at kConfigTextMaxBytes.
[[nodiscard]] std::optional<std::string> qv_readLocalConfigFile(const std::string& path, qv_errors& errors,
                                                                bool* truncated = nullptr);

class qv_config_source {
 public:
  /// `errors` must outlive the source; the settings are copied.
  qv_config_source(qv_errors& errors, const qv_connection_settings& settings)
      : errors_(errors), settings_(settings) {}

  /// The text of the configuration file `name` of file kind `kind`, or
  /// nullopt after adding the reason to the error list. Kinds above 7 give
  /// nullopt without a message.
  std::optional<std::string> open(const std::string& name, int kind, bool extraFlag = false);

  /// The request for a remote file of `kind` (see the file kinds), or nullopt
  /// with message 0x902 when the address is shorter than 8 characters.
  std::optional<std::string> buildRequest(const std::string& address, int kind, bool extraFlag);

  /// Fetches `address` as given into `result`. Adds 0x901 (and makes no
  /// transfer) for a proxy user name without password, and 0x904 for every
  /// failed operation; no transfer happens while the error list holds an error.
  bool fetch(const std::string& address, std::string& result);

 private:
  qv_errors& errors_;
  qv_connection_settings settings_;
};
