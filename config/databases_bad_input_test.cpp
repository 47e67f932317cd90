// Arbitrary bytes through every section reader of this family: no reader may
// crash, loop or read beyond its text, and every list stays within its limit.
#include <gtest/gtest.h>

#include <random>

#include "config/cron.h"
#include "config/databases.h"
#include "config/parse_rules.h"
#include "config/processor.h"
#include "config/taxonomy.h"
#include "config/www.h"

namespace {

struct Sections {
  qv_parserules rules;
  qv_taxonomyrules taxonomy;
  qv_databases databases;
  qv_processor processor;
  qv_cron cron;
  qv_www www;
  qv_errors errors;
};

// Reads `text` with each reader in turn from one stream, as the file reader
// would after meeting their headers, and checks the limits.
void readAll(const std::string& text, Sections& s) {
  qv_config_lines in(text);
  readDatabasesSection(in, "f", s.errors, s.databases);
  readParseSection(in, "f", s.errors, s.rules);
  readTaxonomySection(in, "TAXONOMY_3", "f", s.errors, s.taxonomy);
  readProcessorSection(in, "f", s.errors, s.databases, s.processor);
  readCronSection(in, "f", s.errors, s.cron);
  readWwwSection(in, "f", s.errors, s.www);
  readTaxonomySection(in, std::string("TAXONOMY_\0", 10), "f", s.errors, s.taxonomy);
  checkDatabaseRules(s.databases, s.rules, "f", s.errors);
  EXPECT_LE(s.databases.getNumberOfDatabases(), qv_databases::kMaxDatabases);
  EXPECT_LE(s.cron.getNumberOfJobs(), qv_cron::kMaxJobs);
  if (const qv_taxonomyrule* set = s.taxonomy.getRuleSet(3)) {
    EXPECT_LE(set->prefixRemoves.size(), qv_taxonomyrule::kMaxPrefixes);
    EXPECT_LE(set->noBreakDescLineIf.size(), qv_taxonomyrule::kMaxNoBreaks);
  }
  (void)s.rules.dumpLines();
  (void)s.databases.dumpLines();
  (void)s.taxonomy.dumpLines();
  (void)s.processor.dumpLines();
  (void)s.cron.dumpLines();
  (void)s.www.dumpLines();
}

TEST(SectionBadInput, RandomBytesAndFragments) {
  const std::string fragments[] = {
      std::string(1, '\0'),
      "RULE_",
      "\"",
      "\\(",
      "\\)",
      " ",
      "\t",
      ",",
      "-",
      "*",
      ":",
      "=",
      "#",
      "_SEQ",
      "_REP",
      "end",
      "CHOP:",
      "NCBI:",
      "SWISSPROT",
      "PrefixRemoves ",
      "TaxID 5",
      "99999999999999999999",
      "-2147483649",
      "DB /p AA 0 0 1 1 9999999 0 1 1 2 3 4",
      "ProcessorSet=",
      "DB=1,2,3",
      "CronEnable 1",
      "\n",
      "\r\n",
      "\x1a",
      "\xff",
      "QuickRefSearch \"",
      "DefaultRule GI2TAXID CHOP:psw \"",
  };
  std::mt19937 random(20261206);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int pieces = static_cast<int>(random() % 200);
    for (int i = 0; i < pieces; ++i) {
      if (random() % 4 == 0) {
        text += static_cast<char>(random() % 256);
      } else {
        text += fragments[random() % std::size(fragments)];
      }
      if (random() % 50 == 0) text.push_back('\0');
    }
    Sections s;
    readAll(text, s);
  }
}

TEST(SectionBadInput, HugeLinesAndNoLineEnds) {
  Sections s;
  readAll(std::string(3 * 1024 * 1024, 'A'), s);
  EXPECT_EQ(s.databases.getNumberOfDatabases(), 0);

  Sections quotes;
  readAll("RULE_1 \"" + std::string(2 * 1024 * 1024, '"'), quotes);

  Sections cron;
  std::string jobs;
  for (int i = 0; i < 20000; ++i) jobs += "0 0 * * * x\n";
  qv_config_lines in(jobs);
  readCronSection(in, "f", cron.errors, cron.cron);
  EXPECT_EQ(cron.cron.getNumberOfJobs(), qv_cron::kMaxJobs);
  EXPECT_EQ(cron.errors.getNumberOfErrors(), 2);  // the run of 0x609 folds
}

}  // namespace
