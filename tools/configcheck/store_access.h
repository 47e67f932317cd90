#pragma once
// The access modes of the server's security store, as qv-configcheck checks
// them: a session identifier is a bearer credential, so no other user may
// list the sessions directory or read a session file, and no other user may
// change the sessions, the security options or the schema they are checked
// against.
#include <string>
#include <vector>

/// Where the store lies; the defaults are the server's own layout, relative
/// to its cgi/ directory.
struct qv_store_paths {
  std::string sessionsDirectory;
  std::string optionsFile;
  std::string schemaFile;
  /// The server's layout (the paths the sessions use).
  static qv_store_paths serverLayout();
};

/// One line per finding, each beginning with "warning access ". Only what
/// exists is checked, and only the permission bits of "others" count:
/// the sessions directory readable or writable by them; session files
/// (regular files in it named as a session identifier may be) readable or
/// writable by them, counted, never named
/// (their names are the credentials); the directory of the options file
/// and the schema, the options file or the schema writable by them.
std::vector<std::string> qv_storeAccessWarnings(const qv_store_paths& paths);
