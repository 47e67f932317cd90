#pragma once
// A temporary directory for in-process tests that write small files: made
// with a fresh name under the system's temporary directory and removed with
// everything in it when the object goes.
#include <string>

namespace qvtest {

class ScratchDir {
 public:
  /// Makes the directory; throws std::runtime_error when no fresh name can be made.
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  /// Writes `contents` to a file in the directory and returns its path.
  std::string write(const std::string& name, const std::string& contents) const;

 private:
  std::string path_;
};

}  // namespace qvtest
