#pragma once
// A server tree for the task-command tests: its tarnel.dat points the day
// directories and the control file into data/, and it runs qv-searchcontrol
// and the search-engine stand-in qv-enginesim and reads the task records.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "taskregistry/control_file.h"
#include "taskregistry/task_record.h"
#include "testsupport/server_tree.h"

namespace qvtest {

class TaskTree : public ServerTree {
 public:
  TaskTree() {
    write("config/tarnel.dat", "Options\nInterFileBasePath ../data\nTarnelControlFile ../data/tarnel.control\nend\n");
  }

  RunResult q(const std::vector<std::string>& args) const { return run(args); }

  /// Runs qv-enginesim; the test fails when it does.
  RunResult sim(const std::vector<std::string>& args) const {
    RunResult r = runProgram(programPath("qv-enginesim"), args);
    EXPECT_EQ(r.status, 0) << testing::PrintToString(args) << r.err;
    return r;
  }

  /// --create_task_id; the identifier, or 0 after a failure of the test.
  int64_t create() const {
    RunResult r = run({"--create_task_id"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    if (r.out.rfind("taskID=", 0) != 0 || r.out.back() != '\n') {
      ADD_FAILURE() << r.out;
      return 0;
    }
    return std::stoll(r.out.substr(7));
  }

  /// The answer of --status.
  std::string status(int64_t id) const {
    RunResult r = run({"--status", "--taskID", std::to_string(id)});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return r.out;
  }

  std::string dayDir(int64_t id) const { return "data/" + qv_tasklayout::dayName(id); }
  std::string dayIndex(int64_t id) const { return dayDir(id) + "/task_id"; }
  std::string taskFile(int64_t id) const { return dayDir(id) + "/" + std::to_string(id) + ".task"; }

  /// Record `index` of a day index or legacy registry, or the record of a task file.
  qv_taskrecord record(const std::string& file, int index = -1) const {
    const std::string bytes = read(file);
    const size_t at = index < 0 ? 0 : static_cast<size_t>(qv_tasklayout::recordOffset(index));
    if (bytes.size() < at + 326) {
      ADD_FAILURE() << file << " holds no record " << index;
      return {};
    }
    return *qv_tasklayout::parseRecord(std::string_view(bytes).substr(at, 326));
  }

  /// Appends a record to a file as a program that knows nothing of the summary would.
  void append(const std::string& file, const qv_taskrecord& r) const {
    write(file, read(file) + qv_tasklayout::buildRecord(r));
  }

  /// Puts a record of identifier `id + ahead` into the day index of `id`.
  void seedAhead(int64_t id, int64_t ahead) const {
    qv_taskrecord r;
    r.taskId = id + ahead;
    r.state = TASK_INFO_STATE_ID_ASSIGNED;
    append(dayIndex(id), r);
  }

  /// The control file's bytes.
  std::string control() const { return read("data/tarnel.control"); }

  /// Writes the results file name of the task's slot, as the engine would.
  void setSlotName(int64_t id, const std::string& name) const {
    std::string bytes = control();
    qv_controlfile::qv_controlview view(bytes.data(), bytes.size());
    const auto slot = view.findSlot(id);
    ASSERT_TRUE(slot.has_value());
    std::string field(qv_controlfile::kResultsNameSpace, '\0');
    field.replace(0, name.size(), name);
    bytes.replace(*slot + qv_controlfile::kResultsNameOffset, field.size(), field);
    write("data/tarnel.control", bytes);
  }
};

}  // namespace qvtest
