#include "security/qv_permitted_task.h"

#include "security/qv_xml.h"

qv_permitted_task::ValueKind qv_permitted_task::kindOf(int type) {
  switch (type) {
    case 1: case 2: case 3: case 4: case 11: return ValueKind::Integer;
    case 5: case 6: case 7: case 8: return ValueKind::Decimal;
    case 9: case 10: return ValueKind::Text;
    default: return ValueKind::None;
  }
}

bool qv_permitted_task::isListType(int type) { return type == 4 || type == 8 || type == 10 || type == 11; }

void qv_permitted_task::setType(int32_t type) {
  type_ = type;
  integers_.clear();
  decimals_.clear();
  texts_.clear();
}

bool qv_permitted_task::readFromElement(const qv_xml::Element& task) {
  auto child = [&](const char* name) { return qv_xml::firstChild(task, name); };
  auto text = [&](const char* name) {
    const qv_xml::Element* e = child(name);
    return e != nullptr ? e->text : std::string();
  };
  auto integer = [&](const char* name) {
    const qv_xml::Element* e = child(name);
    return e != nullptr ? qv_xml::textAsInt(*e).value_or(0) : 0;
  };
  taskID_ = integer("task_id");
  shortDesc_ = text("short_desc");
  longDesc_ = text("long_desc");
  taskName_ = text("task_name");
  setType(integer("type"));
  const qv_xml::Element* values = child("values_array");
  if (values == nullptr) return false;
  const ValueKind kind = kindOf(type_);
  const bool list = isListType(type_);
  bool any = false;
  for (const qv_xml::Element& v : values->children) {
    if (v.localName != "value") continue;
    if (any && !list) break;
    any = true;
    if (kind == ValueKind::Integer) integers_.insert(qv_xml::textAsInt(v).value_or(0));
    if (kind == ValueKind::Decimal) decimals_.insert(qv_xml::textAsDecimal(v).value_or(0.0));
    if (kind == ValueKind::Text) texts_.insert(v.text);
  }
  if (!any && !list) {
    if (kind == ValueKind::Integer) integers_.insert(0);
    if (kind == ValueKind::Decimal) decimals_.insert(0.0);
    if (kind == ValueKind::Text) texts_.insert(std::string());
  }
  return true;
}

void qv_permitted_task::writeToElement(qv_xml::Element& parent) const {
  qv_xml::Element& task = qv_xml::appendChild(parent, "task");
  qv_xml::appendChild(task, "task_id", std::to_string(taskID_));
  qv_xml::appendChild(task, "short_desc", shortDesc_);
  qv_xml::appendChild(task, "long_desc", longDesc_);
  qv_xml::appendChild(task, "task_name", taskName_);
  qv_xml::appendChild(task, "type", std::to_string(type_));
  qv_xml::Element& values = qv_xml::appendChild(task, "values_array");
  const size_t most = isListType(type_) ? SIZE_MAX : 1;
  size_t written = 0;
  switch (kindOf(type_)) {
    case ValueKind::Integer:
      for (auto it = integers_.begin(); it != integers_.end() && written < most; ++it, ++written)
        qv_xml::appendChild(values, "value", std::to_string(*it));
      break;
    case ValueKind::Decimal:
      for (auto it = decimals_.begin(); it != decimals_.end() && written < most; ++it, ++written)
        qv_xml::appendChild(values, "value", qv_xml::decimalText(*it));
      break;
    case ValueKind::Text:
      for (auto it = texts_.begin(); it != texts_.end() && written < most; ++it, ++written)
        qv_xml::appendChild(values, "value", *it);
      break;
    case ValueKind::None:
      break;
  }
}

bool qv_permitted_tasks::isPermitted(int32_t taskID, int32_t value) const {
  const qv_permitted_task* task = getTask(taskID);
  return task != nullptr && task->hasIntegerValue(value);
}

const qv_permitted_task* qv_permitted_tasks::getTask(int32_t taskID) const {
  auto it = tasks_.find(taskID);
  return it == tasks_.end() ? nullptr : &it->second;
}

bool qv_permitted_tasks::readFromElement(const qv_xml::Element& permittedTasks) {
  tasks_.clear();
  bool all = true;
  for (const qv_xml::Element& e : permittedTasks.children) {
    if (e.localName != "task") continue;
    qv_permitted_task task;
    if (task.readFromElement(e)) {
      addTask(task);
    } else {
      all = false;
    }
  }
  return all;
}

void qv_permitted_tasks::writeToElement(qv_xml::Element& parent) const {
  qv_xml::Element& list = qv_xml::appendChild(parent, "permitted_tasks");
  for (const auto& [id, task] : tasks_) task.writeToElement(list);
}
