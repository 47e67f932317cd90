// Permitted tasks: the eleven value types read from and written to the
// store, and the two forms of isPermitted.
#include "security/qv_permitted_task.h"

#include <gtest/gtest.h>

#include "security/qv_xml.h"
#include "testsupport/server_tree.h"

namespace {

using qv_xml::Element;

Element taskElement(int id, int type, const std::vector<std::string>& values, bool withArray = true) {
  Element list;
  list.name = "qvs:permitted_tasks";
  list.localName = "permitted_tasks";
  Element& task = qv_xml::appendChild(list, "task");
  qv_xml::appendChild(task, "task_id", std::to_string(id));
  qv_xml::appendChild(task, "short_desc", "short");
  qv_xml::appendChild(task, "long_desc", "long");
  qv_xml::appendChild(task, "task_name", "name");
  qv_xml::appendChild(task, "type", std::to_string(type));
  if (withArray) {
    Element& array = qv_xml::appendChild(task, "values_array");
    for (const std::string& v : values) qv_xml::appendChild(array, "value", v);
  }
  return list;
}

qv_permitted_task readTask(int type, const std::vector<std::string>& values) {
  qv_permitted_task task;
  EXPECT_TRUE(task.readFromElement(taskElement(7, type, values).children[0]));
  return task;
}

TEST(PermittedTask, EachTypeReadsItsValues) {
  for (int type : {1, 2, 3}) {
    const qv_permitted_task t = readTask(type, {"12", "13"});
    EXPECT_EQ(t.getIntegerValues(), std::set<int32_t>({12})) << type;
    EXPECT_TRUE(t.getDecimalValues().empty());
    EXPECT_EQ(readTask(type, {}).getIntegerValues(), std::set<int32_t>({0})) << type;
  }
  for (int type : {4, 11}) {
    EXPECT_EQ(readTask(type, {"3", "1", "2"}).getIntegerValues(), std::set<int32_t>({1, 2, 3})) << type;
    EXPECT_TRUE(readTask(type, {}).getIntegerValues().empty()) << type;
  }
  for (int type : {5, 6, 7}) {
    EXPECT_EQ(readTask(type, {"2.5", "3.5"}).getDecimalValues(), std::set<double>({2.5})) << type;
    EXPECT_EQ(readTask(type, {}).getDecimalValues(), std::set<double>({0.0})) << type;
  }
  EXPECT_EQ(readTask(8, {"0.5", "1e3"}).getDecimalValues(), std::set<double>({0.5, 1000.0}));
  EXPECT_EQ(readTask(9, {"alpha", "beta"}).getTextValues(), std::set<std::string>({"alpha"}));
  EXPECT_EQ(readTask(9, {}).getTextValues(), std::set<std::string>({""}));
  const qv_permitted_task list = readTask(10, {"b", "a"});
  EXPECT_EQ(list.getTextValues(), std::set<std::string>({"a", "b"}));
  EXPECT_TRUE(list.getIntegerValues().empty());
  const qv_permitted_task t = readTask(4, {"1"});
  EXPECT_EQ(t.getTaskID(), 7);
  EXPECT_EQ(t.getShortDescription(), "short");
  EXPECT_EQ(t.getLongDescription(), "long");
  EXPECT_EQ(t.getTaskName(), "name");
  EXPECT_EQ(t.getType(), 4);
}

TEST(PermittedTask, SettingTheTypeEmptiesEveryValueSet) {
  qv_permitted_task t;
  t.addIntegerValue(1);
  t.addDecimalValue(1.5);
  t.addTextValue("x");
  t.setType(10);
  EXPECT_TRUE(t.getIntegerValues().empty());
  EXPECT_TRUE(t.getDecimalValues().empty());
  EXPECT_TRUE(t.getTextValues().empty());
}

TEST(PermittedTask, TaskWithoutValuesArrayIsNotAccepted) {
  qv_permitted_task t;
  EXPECT_FALSE(t.readFromElement(taskElement(3, 4, {}, false).children[0]));
  qv_permitted_tasks tasks;
  Element list = taskElement(3, 4, {}, false);
  list.children.push_back(taskElement(4, 1, {"9"}).children[0]);
  EXPECT_FALSE(tasks.readFromElement(list));
  EXPECT_FALSE(tasks.isPermitted(3));
  EXPECT_TRUE(tasks.isPermitted(4, 9));
}

TEST(PermittedTasks, ValueFormAsksTheIntegerValues) {
  qv_permitted_tasks tasks;
  ASSERT_TRUE(tasks.readFromElement(taskElement(13, 4, {"1", "2", "3"})));
  EXPECT_TRUE(tasks.isPermitted(13));
  EXPECT_TRUE(tasks.isPermitted(13, 2));
  EXPECT_FALSE(tasks.isPermitted(13, 4));
  EXPECT_FALSE(tasks.isPermitted(14));
  ASSERT_TRUE(tasks.readFromElement(taskElement(20, 10, {"1", "2"})));
  EXPECT_TRUE(tasks.isPermitted(20));
  EXPECT_FALSE(tasks.isPermitted(20, 1));
  EXPECT_FALSE(tasks.isPermitted(13)) << "reading starts afresh";
}

// Every type written into a session document validates and reads back the same.
TEST(PermittedTasks, WrittenListValidatesAndReadsBack) {
  qvtest::ServerTree tree;
  qv_permitted_tasks tasks;
  for (int type = 1; type <= 11; ++type) {
    qv_permitted_task t;
    t.setTaskID(100 + type);
    t.setShortDescription("s<" + std::to_string(type));
    t.setType(type);
    t.addIntegerValue(5);
    t.addIntegerValue(-6);
    t.addDecimalValue(0.25);
    t.addDecimalValue(-1.5);
    t.addTextValue("a&b");
    t.addTextValue("c");
    tasks.addTask(t);
  }
  Element root = qv_xml::createDocument("qvs", "security_session", qv_xml::kSecurityNamespace,
                                        qv_xml::securitySchemaLocation(), "1", "0");
  Element& data = qv_xml::appendChild(root, "session_data");
  for (const char* name : {"emailAddress", "fullUserName", "ipAddress"}) qv_xml::appendChild(data, name, "x");
  qv_xml::appendChild(data, "lastAccessed", "0");
  qv_xml::appendChild(data, "securityEnabled", "true");
  qv_xml::appendChild(data, "timeout", "0");
  qv_xml::appendChild(data, "userID", "1");
  qv_xml::appendChild(data, "userName", "u");
  qv_xml::appendChild(data, "userType", "1");
  qv_xml::appendChild(data, "verifyAddress", "false");
  qv_xml::appendChild(data, "custom_parameters");
  tasks.writeToElement(data);
  std::string error;
  ASSERT_EQ(qv_xml::writeFile(root, tree.path("sessions/s"), qv_platform::ReplaceMode::CreateOrReplace, error),
            qv_platform::ReplaceResult::Replaced)
      << error;
  qv_errors errors;
  auto back = qv_xml::parseFile(tree.path("sessions/s"), errors, tree.path("config/tarnel_security_1_0.xsd"));
  ASSERT_TRUE(back) << errors.getLastErrorString();
  qv_permitted_tasks read;
  ASSERT_TRUE(read.readFromElement(*qv_xml::firstChild(*qv_xml::firstChild(*back, "session_data"), "permitted_tasks")));
  ASSERT_EQ(read.getNumberOfTasks(), 11);
  EXPECT_EQ(read.getTask(101)->getIntegerValues(), std::set<int32_t>({-6}));
  EXPECT_EQ(read.getTask(104)->getIntegerValues(), std::set<int32_t>({-6, 5}));
  EXPECT_EQ(read.getTask(111)->getIntegerValues(), std::set<int32_t>({-6, 5}));
  EXPECT_EQ(read.getTask(105)->getDecimalValues(), std::set<double>({-1.5}));
  EXPECT_EQ(read.getTask(108)->getDecimalValues(), std::set<double>({-1.5, 0.25}));
  EXPECT_EQ(read.getTask(109)->getTextValues(), std::set<std::string>({"a&b"}));
  EXPECT_EQ(read.getTask(110)->getTextValues(), std::set<std::string>({"a&b", "c"}));
  EXPECT_EQ(read.getTask(110)->getShortDescription(), "s<10");
  EXPECT_EQ(read.getTask(99), nullptr);
}

}  // namespace
