#include "config/processor.h"

#include <gtest/gtest.h>

namespace {

const std::string kFile = "tarnel.dat";

qv_databases twoDatabases() {
  qv_config_lines in(
      "SwissProt /p AA 0 0 1 1 2 0 0 1 1 0\n"  // two threads
      "#Old /p AA 0 0 1 1 4 0 0 1 1 0\n"
      "ESTs /p NA 0 0 1 1 1 0 0 1 1 0\n"  // one thread
      "end\n");
  qv_databases dbs;
  qv_errors errors;
  readDatabasesSection(in, kFile, errors, dbs);
  return dbs;
}

qv_processor readProcessor(const std::string& text, qv_errors& errors) {
  qv_config_lines in(text);
  qv_processor processor;
  readProcessorSection(in, kFile, errors, twoDatabases(), processor);
  return processor;
}

TEST(ProcessorSection, ReadsTheSetAndTheBindings) {
  qv_errors errors;
  const qv_processor p = readProcessor(
      "# processors\n"
      "processorset=0,1, 2,,3 x 5\n"
      "SwissProt=0,1\n"
      "ESTs 3\n"
      "End\n"
      "SwissProt=2\n",
      errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  EXPECT_TRUE(p.isSectionAvailable());
  EXPECT_EQ(p.getProcessorSet(), (std::vector<int>{0, 1, 2, 3, 5}));
  ASSERT_EQ(p.getBindings().size(), 2u);
  EXPECT_EQ(p.getBindings()[0].databaseName, "SwissProt");
  EXPECT_EQ(p.getBindings()[0].processors, (std::vector<int>{0, 1}));
  EXPECT_EQ(p.getBindings()[1].processors, (std::vector<int>{3}));
  EXPECT_EQ(p.getRawLines().size(), 4u);
  const std::vector<std::string> dump = p.dumpLines();
  ASSERT_EQ(dump.size(), 3u);
  EXPECT_EQ(dump[0], "ProcessorSet=0,1,2,3,5");
  EXPECT_EQ(dump[1], "ProcessorBinding=SwissProt processors=0,1");
}

TEST(ProcessorSection, UnknownOrInactiveDatabaseAndTooManyProcessors) {
  qv_errors errors;
  const qv_processor p = readProcessor(
      "Unknown=1\n"
      "Old=1\n"
      "SwissProt=4,5,6,7\n"
      "swissprot=1\n"
      "ProcessorSet\n"
      "end\n",
      errors);
  ASSERT_EQ(errors.getNumberOfErrors(), 4);
  EXPECT_EQ(errors.getErrorNumber(1), 0x619);
  EXPECT_EQ(errors.getErrorString(1), "Invalid line in tarnel.dat file starting with: Unknown");
  EXPECT_EQ(errors.getErrorString(2), "Invalid line in tarnel.dat file starting with: Old");
  EXPECT_EQ(errors.getErrorString(4), "Invalid line in tarnel.dat file starting with: swissprot");
  EXPECT_EQ(errors.getErrorNumber(3), 0x61D);
  EXPECT_EQ(errors.getErrorString(3),
            "In the file tarnel.dat: there are 2 threads for database 'SwissProt'. Too many processors named");
  ASSERT_EQ(p.getBindings().size(), 1u);
  EXPECT_EQ(p.getBindings()[0].processors, (std::vector<int>{4, 5, 6}));  // the surplus one included
  EXPECT_TRUE(p.getProcessorSet().empty());
}

}  // namespace
