#include "config/databases.h"

#include <gtest/gtest.h>

namespace {

const std::string kFile = "tarnel.dat";

qv_databases readDatabases(const std::string& text, qv_errors& errors) {
  qv_config_lines in(text);
  qv_databases dbs;
  readDatabasesSection(in, kFile, errors, dbs);
  return dbs;
}

TEST(DatabasesSection, ReadsFieldsActiveAndInactiveEntries) {
  qv_errors errors;
  const qv_databases dbs = readDatabases(
      "# protein databases\n"
      "\n"
      "SwissProt  ../sequence/SwissProt/current/SwissProt_*.fasta  AA  1234 1 1 1 4 0 1 6 7 8 9\n"
      "#NCBInr ../sequence/NCBInr/current/NCBInr_*.fasta AA 0 0 0 1 1 0 0 2 3 0\n"
      "## NCBInr ../a AA 0 0 0 1 1 0 0 2 3 0 0\n"
      "# just a note\n"
      "ESTs ../sequence/EST/EST_*.fasta NA 0 0 0 0 2 1 1 2 3 4 5  \r\n"
      "end\n",
      errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  ASSERT_EQ(dbs.getNumberOfDatabases(), 3);
  const qv_database& sp = dbs.getDatabase(0);
  EXPECT_TRUE(sp.active);
  EXPECT_EQ(sp.name, "SwissProt");
  EXPECT_EQ(sp.path, "../sequence/SwissProt/current/SwissProt_*.fasta");
  EXPECT_FALSE(sp.nucleic);
  EXPECT_TRUE(sp.flag6);
  EXPECT_FALSE(sp.field7Zero);
  EXPECT_EQ(sp.threadCount, 4);
  EXPECT_FALSE(sp.flag9);
  EXPECT_TRUE(sp.usesAccessionRefRule);
  EXPECT_EQ(sp.accessionRule, 6);
  EXPECT_EQ(sp.descriptionRule, 7);
  EXPECT_EQ(sp.accessionRefRule, 8);
  EXPECT_EQ(sp.field14, 9);
  EXPECT_EQ(sp.comment, "# protein databases\n");

  const qv_database& nr = dbs.getDatabase(1);
  EXPECT_FALSE(nr.active);
  EXPECT_EQ(nr.name, "NCBInr");
  EXPECT_EQ(nr.field14, -1);  // 13 items
  EXPECT_EQ(nr.line, "NCBInr ../sequence/NCBInr/current/NCBInr_*.fasta AA 0 0 0 1 1 0 0 2 3 0");

  const qv_database& est = dbs.getDatabase(2);
  EXPECT_TRUE(est.nucleic);
  EXPECT_TRUE(est.field7Zero);
  EXPECT_FALSE(est.usesAccessionRefRule);  // field 7 is 0, whatever field 10 says
  EXPECT_EQ(est.field14, -1);
  EXPECT_TRUE(est.flag9);
  EXPECT_EQ(est.comment, "## NCBInr ../a AA 0 0 0 1 1 0 0 2 3 0 0\n# just a note");
  EXPECT_EQ(est.line, "ESTs ../sequence/EST/EST_*.fasta NA 0 0 0 0 2 1 1 2 3 4 5");

  EXPECT_EQ(dbs.findDatabase("SwissProt"), 0);
  EXPECT_EQ(dbs.findDatabase("swissprot"), -1);
  EXPECT_EQ(dbs.findDatabase("NCBInr"), -1);  // inactive
  EXPECT_EQ(dbs.findDatabase(""), -1);
}

TEST(DatabasesSection, ShortActiveLineWarnsAndIsDropped) {
  qv_errors errors;
  const qv_databases dbs = readDatabases(
      "Broken ../x AA 1 2 3\n"
      "   \t\n"
      "#\n"
      "End of this is not the end line\n"
      "Good /p AA 0 0 1 1 1 0 0 1 1 0\n"
      "@@@\n"
      "end\n",
      errors);
  ASSERT_EQ(dbs.getNumberOfDatabases(), 1);
  EXPECT_EQ(dbs.getDatabase(0).comment, "#");  // the blank line before it adds nothing to an empty text
  ASSERT_EQ(errors.getNumberOfErrors(), 2);
  EXPECT_EQ(errors.getErrorNumber(1), 0x605);
  EXPECT_EQ(errors.getErrorString(1),
            "Error in the configuration file tarnel.dat - database Broken doesn't have enough parameters");
  EXPECT_EQ(errors.getErrorString(2),
            "Error in the configuration file tarnel.dat - database End doesn't have enough parameters "
            "(Error repeated 2 times)");
}

TEST(DatabasesSection, NameOfAnEmptyReadIsEmptyAndClosingCommentKept) {
  qv_errors errors;
  const qv_databases dbs = readDatabases("\x01\n# closing\n\n# words\nend\n", errors);
  ASSERT_EQ(errors.getNumberOfErrors(), 1);
  EXPECT_EQ(errors.getErrorString(1),
            "Error in the configuration file tarnel.dat - database \x01 doesn't have enough parameters");
  EXPECT_EQ(dbs.getClosingComment(), "# closing\n\n# words");
}

TEST(DatabasesSection, LongWordsAreCutLikeTheFieldWidths) {
  qv_database entry;
  EXPECT_EQ(qv_parseDatabaseLine("ABCDEFGHIJKLMNOPQRSTUVWXYZ path AA 1 1 1 1 1 1 1 1 1 1 1", entry), 3);
  EXPECT_EQ(entry.name, "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(entry.path, "TUVWXYZ");  // the rest of the cut name is read as the path
  qv_database empty;
  EXPECT_EQ(qv_parseDatabaseLine("", empty), 0);
  EXPECT_EQ(empty.name, "");
}

TEST(DatabasesSection, The65thDatabaseIsDroppedSilently) {
  std::string text;
  for (int i = 0; i < 66; ++i) text += "DB" + std::to_string(i) + " /p AA 0 0 1 1 1 0 0 1 1 0 0\n";
  qv_errors errors;
  const qv_databases dbs = readDatabases(text + "end\n", errors);
  EXPECT_EQ(dbs.getNumberOfDatabases(), 64);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  EXPECT_EQ(dbs.findDatabase("DB63"), 63);
  EXPECT_EQ(dbs.findDatabase("DB64"), -1);
}

TEST(DatabasesSection, EndIsCaseSensitive) {
  qv_errors errors;
  const qv_databases dbs = readDatabases(
      "END\n"
      "A /p AA 0 0 1 1 1 0 0 1 1 0 0\n",
      errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 1);  // END is an active line with too few fields
  EXPECT_EQ(dbs.getNumberOfDatabases(), 1);
}

qv_parserules rulesFrom(const std::string& text) {
  qv_config_lines in(text);
  qv_parserules rules;
  qv_errors ignored;
  readParseSection(in, kFile, ignored, rules);
  return rules;
}

TEST(DatabaseRuleCheck, MissingRulesAreNamedAndExistingOnesCompiled) {
  qv_errors errors;
  const qv_databases dbs = readDatabases(
      "First /p AA 0 0 1 1 1 0 1 1 5 2\n"    // description rule 5 undefined, reference rule 2 ok
      "#Off /p AA 0 0 1 1 1 0 0 9 9 9\n"     // inactive: not checked
      "Third /p AA 0 0 1 1 1 0 1 3 1 7 0\n"  // rule 3 broken, reference rule 7 missing
      "Fourth /p AA 0 0 1 1 1 0 0 0 1 7\n"   // rule number 0 names no rule
      "end\n",
      errors);
  ASSERT_EQ(errors.getNumberOfErrors(), 0);
  qv_parserules rules = rulesFrom("RULE_1 \">\\([^ ]*\\)\"\nRULE_2 \"\\(.*\\)\"\nRULE_3 \"[^ ]*\"\nend\n");
  checkDatabaseRules(dbs, rules, kFile, errors);
  ASSERT_EQ(errors.getNumberOfErrors(), 4);
  EXPECT_EQ(errors.getErrorNumber(1), 0x602);
  EXPECT_EQ(errors.getErrorString(1), "In the file tarnel.dat the database First has no description rule");
  EXPECT_EQ(errors.getErrorNumber(2), 0x604);  // rule 3 has no sub-expression, told once
  EXPECT_EQ(errors.getErrorString(3), "In the file tarnel.dat the database Third has no accessionRef rule");
  EXPECT_EQ(errors.getErrorString(4), "In the file tarnel.dat the database Fourth has no accession rule");
  EXPECT_EQ(errors.getErrorLevel(1), 2);
  EXPECT_TRUE(rules.getRuleByNumber(1)->isCompiled());
  EXPECT_TRUE(rules.getRuleByNumber(2)->isCompiled());
  EXPECT_FALSE(rules.getRuleByNumber(3)->isCompiled());
}

TEST(DatabaseRuleCheck, ActiveEntriesBehindAnInactiveOneAreChecked) {
  qv_errors errors;
  const qv_databases dbs = readDatabases(
      "#Off /p AA 0 0 1 1 1 0 0 1 1 0\n"
      "Behind /p AA 0 0 1 1 1 0 0 4 1 0\n"
      "end\n",
      errors);
  qv_parserules rules = rulesFrom("RULE_1 \"\\(.*\\)\"\nend\n");
  checkDatabaseRules(dbs, rules, kFile, errors);
  ASSERT_EQ(errors.getNumberOfErrors(), 1);
  EXPECT_EQ(errors.getErrorString(1), "In the file tarnel.dat the database Behind has no accession rule");
  EXPECT_TRUE(rules.getRuleByNumber(1)->isCompiled());
}

TEST(DatabasesSection, DumpHasOneLinePerEntry) {
  qv_errors errors;
  qv_databases dbs = readDatabases(
      "SP /s/sp.fasta AA 0 0 1 1 2 0 1 1 2 3\n"
      "#EST /s/est.fasta NA 0 0 1 0 1 0 1 1 2 3\n",
      errors);
  const std::vector<std::string> lines = dbs.dumpLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "Database=SP active=1 path=/s/sp.fasta type=AA threads=2 accessionRule=1 descriptionRule=2 "
            "accessionRefRule=3");
  EXPECT_EQ(lines[1],
            "Database=EST active=0 path=/s/est.fasta type=NA threads=1 accessionRule=1 descriptionRule=2 "
            "accessionRefRule=none");
  dbs.reset();
  EXPECT_EQ(dbs.getNumberOfDatabases(), 0);
  EXPECT_FALSE(dbs.isSectionAvailable());
}

}  // namespace
