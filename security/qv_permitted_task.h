#pragma once
// Permitted tasks: which numbered tasks a user may perform, and with which
// values. A task's value type decides what its values are (integers,
// decimals or texts, one or a list); a session carries the user's list.
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "security/xml_service.h"

/// Value types of a permitted task and what they hold.
enum qv_task_value_type : int {
  QV_TASK_INTEGER_1 = 1,  ///< 1, 2, 3: one integer
  QV_TASK_INTEGER_2 = 2,
  QV_TASK_INTEGER_3 = 3,
  QV_TASK_INTEGER_LIST = 4,  ///< 4 and 11: a list of integers
  QV_TASK_DECIMAL_1 = 5,     ///< 5, 6, 7: one decimal number
  QV_TASK_DECIMAL_2 = 6,
  QV_TASK_DECIMAL_3 = 7,
  QV_TASK_DECIMAL_LIST = 8,  ///< a list of decimal numbers
  QV_TASK_TEXT = 9,          ///< one text
  QV_TASK_TEXT_LIST = 10,    ///< a list of texts
  QV_TASK_INTEGER_LIST_2 = 11,
};

/// One permitted task.
class qv_permitted_task {
 public:
  /// What kind of value a type holds, and whether one or a list.
  enum class ValueKind { None, Integer, Decimal, Text };
  static ValueKind kindOf(int type);
  static bool isListType(int type);

  int32_t getTaskID() const { return taskID_; }
  const std::string& getShortDescription() const { return shortDesc_; }
  const std::string& getLongDescription() const { return longDesc_; }
  const std::string& getTaskName() const { return taskName_; }
  int32_t getType() const { return type_; }
  const std::set<int32_t>& getIntegerValues() const { return integers_; }
  const std::set<double>& getDecimalValues() const { return decimals_; }
  const std::set<std::string>& getTextValues() const { return texts_; }

  void setTaskID(int32_t v) { taskID_ = v; }
  void setShortDescription(std::string v) { shortDesc_ = std::move(v); }
  void setLongDescription(std::string v) { longDesc_ = std::move(v); }
  void setTaskName(std::string v) { taskName_ = std::move(v); }
  /// Sets the value type and empties all three value sets.
  void setType(int32_t type);
  void addIntegerValue(int32_t v) { integers_.insert(v); }
  /// Adds a decimal value; a value that is not a finite number is ignored.
  void addDecimalValue(double v) {
    if (v - v == 0) decimals_.insert(v);
  }
  void addTextValue(std::string v) { texts_.insert(std::move(v)); }
  bool hasIntegerValue(int32_t v) const { return integers_.count(v) != 0; }

  /// Reads a `qvs:task` element: task_id, short_desc, long_desc, task_name,
  /// type, then the values by type (an absent single value reads as 0, 0.0
  /// or the empty text). False, with the task partly read, when
  /// `qvs:values_array` is missing.
  [[nodiscard]] bool readFromElement(const qv_xml::Element& task);

  /// Appends this task as a `qvs:task` child of `parent`. Single-value types
  /// write their one value (none when it was never set), list types every
  /// value of their kind in order.
  void writeToElement(qv_xml::Element& parent) const;

 private:
  int32_t taskID_ = 0;
  std::string shortDesc_;
  std::string longDesc_;
  std::string taskName_;
  int32_t type_ = 0;
  std::set<int32_t> integers_;
  std::set<double> decimals_;
  std::set<std::string> texts_;
};

/// The tasks a user may perform, keyed by task id.
class qv_permitted_tasks {
 public:
  /// True when the list holds the task.
  bool isPermitted(int32_t taskID) const { return tasks_.count(taskID) != 0; }
  /// True when the list holds the task and `value` is among its integer values.
  bool isPermitted(int32_t taskID, int32_t value) const;

  /// Adds the task, replacing one with the same id.
  void addTask(const qv_permitted_task& task) { tasks_[task.getTaskID()] = task; }
  /// The task with this id, or nullptr (valid until the list changes).
  const qv_permitted_task* getTask(int32_t taskID) const;
  int getNumberOfTasks() const { return static_cast<int>(tasks_.size()); }
  void clear() { tasks_.clear(); }

  /// Reads every `qvs:task` child of a `qvs:permitted_tasks` element (the
  /// list is emptied first). A task that cannot be read is left out and
  /// makes the result false; the others are kept.
  [[nodiscard]] bool readFromElement(const qv_xml::Element& permittedTasks);
  /// Appends a `qvs:permitted_tasks` child holding every task, by task id.
  void writeToElement(qv_xml::Element& parent) const;

 private:
  std::map<int32_t, qv_permitted_task> tasks_;
};
