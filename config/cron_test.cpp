#include "config/cron.h"

#include <gtest/gtest.h>

namespace {

const std::string kFile = "tarnel.dat";

qv_cron readCron(const std::string& text, qv_errors& errors) {
  qv_config_lines in(text);
  qv_cron cron;
  readCronSection(in, kFile, errors, cron);
  return cron;
}

TEST(CronSection, ReadsJobsListsAndRanges) {
  qv_errors errors;
  const qv_cron cron = readCron(
      "cronenable 1\n"
      "# nightly clean-up\n"
      "0,30 8-17 1,15 * 1-5   ../bin/cleanup.pl --all  \n"
      "5 * * 2-3 * ls\n"
      "0 0 10-5 * * reversed\n"
      "0 0 1\n"
      "0 0 1 1 1\n"
      "END\n"
      "1 1 1 1 1 after-end\n",
      errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  EXPECT_TRUE(cron.isCronEnabled());
  ASSERT_EQ(cron.getNumberOfJobs(), 3);
  const qv_cronjob& job = cron.getJob(0);
  EXPECT_TRUE(job.isMinuteSet(0));
  EXPECT_TRUE(job.isMinuteSet(30));
  EXPECT_FALSE(job.isMinuteSet(15));
  EXPECT_FALSE(job.isHourSet(7));
  EXPECT_TRUE(job.isHourSet(8));
  EXPECT_TRUE(job.isHourSet(17));
  EXPECT_FALSE(job.isHourSet(18));
  EXPECT_TRUE(job.isDayOfMonthSet(15));
  EXPECT_FALSE(job.isDayOfMonthSet(2));
  EXPECT_TRUE(job.isMonthSet(1));
  EXPECT_TRUE(job.isMonthSet(12));
  EXPECT_TRUE(job.isDayOfWeekSet(5));
  EXPECT_FALSE(job.isDayOfWeekSet(6));
  EXPECT_EQ(job.getCommand(), "../bin/cleanup.pl --all");
  EXPECT_EQ(job.getLine(), "0,30 8-17 1,15 * 1-5   ../bin/cleanup.pl --all");

  const qv_cronjob& stars = cron.getJob(1);
  for (int h = 0; h < 24; ++h) EXPECT_TRUE(stars.isHourSet(h));
  for (int d = 0; d < 7; ++d) EXPECT_FALSE(stars.isDayOfWeekSet(d));  // '*' leaves the day sets empty
  EXPECT_FALSE(stars.isDayOfMonthSet(1));
  EXPECT_FALSE(stars.isMonthSet(1));
  EXPECT_TRUE(stars.isMonthSet(3));

  const qv_cronjob& reversed = cron.getJob(2);
  for (int d = 1; d <= 31; ++d) EXPECT_FALSE(reversed.isDayOfMonthSet(d));
  EXPECT_FALSE(reversed.isMinuteSet(-1));
  EXPECT_FALSE(reversed.isMinuteSet(60));
  EXPECT_EQ(cron.getRawLines().size(), 7u);
}

TEST(CronSection, FieldErrorsDropTheLineWithTheirMessages) {
  qv_errors errors;
  const qv_cron cron = readCron(
      "* 1 1 1 1 a\n"
      "0 24 1 1 1 b\n"
      ",5 1 1 1 1 c\n"
      "0 -3 1 1 1 d\n"
      "0 1 x 1 1 e\n"
      "0 1 1 1 7 f\n"
      "0 1 1 0 1 g\n"
      "0 1-2-3 1 1 1 h\n"
      "0 1- 1 1 1 i\n"
      "0 1,* 1 1 1 j\n"
      "99999999999999 1 1 1 1 k\n"
      "CronEnable\n"
      "end\n",
      errors);
  EXPECT_EQ(cron.getNumberOfJobs(), 0);
  EXPECT_FALSE(cron.isCronEnabled());
  const std::vector<int> expected = {0x616, 0x615, 0x617, 0x618, 0x614, 0x615, 0x615, 0x618, 0x618, 0x616, 0x615};
  ASSERT_EQ(errors.getNumberOfErrors(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(errors.getErrorNumber(static_cast<int>(i) + 1), expected[i]) << i;
  }
  EXPECT_EQ(errors.getErrorString(1), "Invalid * in cron section of tarnel.dat. Line is: * 1 1 1 1 a");
  EXPECT_EQ(errors.getErrorString(2), "Number out of range in cron section of tarnel.dat. Line is: 0 24 1 1 1 b");
  EXPECT_EQ(errors.getErrorString(3), "Expecting number before , in cron section of tarnel.dat. Line is: ,5 1 1 1 1 c");
  EXPECT_EQ(errors.getErrorString(4), "Expecting number before - in cron section of tarnel.dat. Line is: 0 -3 1 1 1 d");
  EXPECT_EQ(errors.getErrorString(5), "Invalid character in cron section of tarnel.dat. Line is: 0 1 x 1 1 e");
}

TEST(CronSection, The257thJobIsRefused) {
  std::string text;
  for (int i = 0; i < 257; ++i) text += std::to_string(i % 60) + " 1 1 1 1 job" + std::to_string(i) + "\n";
  qv_errors errors;
  const qv_cron cron = readCron(text, errors);
  EXPECT_EQ(cron.getNumberOfJobs(), 256);
  ASSERT_EQ(errors.getNumberOfErrors(), 1);
  EXPECT_EQ(errors.getErrorNumber(1), 0x609);
  EXPECT_EQ(errors.getErrorString(1), "Too many cron jobs in the configuration file tarnel.dat. The limit is 256");
  EXPECT_EQ(cron.getJob(255).getCommand(), "job255");
}

TEST(CronSection, DumpHasOneLinePerJob) {
  qv_errors errors;
  qv_cron cron = readCron("0 1 * * * backup\n15 2 * * 0 rotate logs\nend\n", errors);
  EXPECT_EQ(cron.dumpLines(), (std::vector<std::string>{"CronJob=1 enabled=0 line=0 1 * * * backup",
                                                        "CronJob=2 enabled=0 line=15 2 * * 0 rotate logs"}));
  cron.reset();
  EXPECT_EQ(cron.getNumberOfJobs(), 0);
}

}  // namespace
