#pragma once
// The search engine's side of the shared files, as qv-enginesim plays it:
// the control file's blocks and job slots, and the task files that the
// engine keeps for its jobs. Only qv-enginesim and the tests use it.
#include <cstdint>
#include <optional>
#include <string>

namespace qv_enginesim {

/// What a command printed and its exit status.
struct Outcome {
  int status = 0;      ///< 0 done, 2 a file could not be made or mapped, 3 no such slot
  std::string output;  ///< for standard output
  std::string error;   ///< for standard error
};

class Engine {
 public:
  /// `controlFile` is the control file; `interFileBasePath` the directory of the day directories.
  Engine(std::string controlFile, std::string interFileBasePath);

  /// Makes a control file of `blocks` blocks (1 to 128), every block in use
  /// and every slot free, replacing any file of that name.
  Outcome create(int64_t blocks);
  /// Puts the task's job into its slot, or the first free one, with the
  /// status, progress, results file name and job number, and writes the
  /// task file. `user` is the owner's user id (default: the one of the
  /// task's record, when there is one).
  Outcome put(int64_t taskId, int32_t status, int32_t progress, const std::string& resultsFile, int32_t job,
              std::optional<int32_t> user);
  /// Changes the job's status and, when given, its progress; with
  /// `writeTaskFile` the task file follows.
  Outcome set(int64_t taskId, int32_t status, std::optional<int32_t> progress, bool writeTaskFile);
  /// "request=<r> priority=<p>" of the job's slot.
  Outcome show(int64_t taskId);
  /// Frees the job's slot.
  Outcome remove(int64_t taskId);

 private:
  Outcome writeTaskFile(int64_t taskId, int32_t status, const std::string& resultsFile, int32_t job,
                        std::optional<int32_t> user);
  std::string control_;
  std::string base_;
};

}  // namespace qv_enginesim
