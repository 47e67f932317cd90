#include "tools/configcheck/store_access.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/file_status.h"
#include "security/qv_security_options.h"
#include "security/qv_session.h"

namespace {

using qv_platform::FileKind;
using qv_platform::FileStatus;
using qv_platform::StatusOf;

std::string modeText(const FileStatus& s) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04o", static_cast<unsigned>(s.permissions));
  return buffer;
}

bool othersMay(const FileStatus& s, uint32_t bit) { return s.known && (s.permissions & bit) != 0; }

std::string warning(const std::string& text) { return "warning access " + text; }

// The directory part of a path, with its final "/" ("./" when it has none).
std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string sessionFiles(int n) { return n == 1 ? "1 session file" : std::to_string(n) + " session files"; }

void checkSessions(const std::string& directory, std::vector<std::string>& out) {
  const FileStatus dir = qv_platform::fileStatus(directory, StatusOf::Target);
  if (!dir.known || dir.kind != FileKind::Directory) return;
  if (othersMay(dir, qv_platform::kOthersRead)) {
    out.push_back(warning(directory + " can be read by other users (mode " + modeText(dir) +
                          "): they can list the session identifiers"));
  }
  if (othersMay(dir, qv_platform::kOthersWrite)) {
    out.push_back(warning(directory + " can be written by other users (mode " + modeText(dir) +
                          "): they can plant or replace sessions"));
  }
  int readable = 0;
  int writable = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    // Names that can never be a session identifier (".keep", a temporary
    // file of a rewrite) are not sessions.
    if (!qv_isSafeSessionIdentifier(it->path().filename().string())) continue;
    const FileStatus file = qv_platform::fileStatus(it->path().string(), StatusOf::Entry);
    if (file.kind != FileKind::Regular) continue;
    readable += othersMay(file, qv_platform::kOthersRead) ? 1 : 0;
    writable += othersMay(file, qv_platform::kOthersWrite) ? 1 : 0;
  }
  if (readable > 0) out.push_back(warning(sessionFiles(readable) + " in " + directory + " can be read by other users"));
  if (writable > 0) {
    out.push_back(warning(sessionFiles(writable) + " in " + directory + " can be written by other users"));
  }
}

void checkNotWritable(const std::string& path, std::vector<std::string>& out) {
  const FileStatus file = qv_platform::fileStatus(path, StatusOf::Target);
  if (othersMay(file, qv_platform::kOthersWrite)) {
    out.push_back(warning(path + " can be written by other users (mode " + modeText(file) + ")"));
  }
}

}  // namespace

qv_store_paths qv_store_paths::serverLayout() {
  return {qv_session_context{}.sessionsDirectory, qv_security_options::kDefaultPath, qv_xml::kSecuritySchemaPath};
}

std::vector<std::string> qv_storeAccessWarnings(const qv_store_paths& paths) {
  std::vector<std::string> out;
  checkSessions(paths.sessionsDirectory, out);
  // A directory others may write lets them put a file of their own in
  // place, whatever the file's mode; each directory is named once.
  std::vector<std::string> directories;
  for (const std::string& file : {paths.optionsFile, paths.schemaFile}) {
    const std::string dir = directoryOf(file);
    if (std::find(directories.begin(), directories.end(), dir) != directories.end()) continue;
    directories.push_back(dir);
    const FileStatus d = qv_platform::fileStatus(dir, StatusOf::Target);
    if (othersMay(d, qv_platform::kOthersWrite)) {
      out.push_back(warning(dir + " can be written by other users (mode " + modeText(d) +
                            "): they can replace the security options or the schema"));
    }
  }
  checkNotWritable(paths.optionsFile, out);
  checkNotWritable(paths.schemaFile, out);
  return out;
}
