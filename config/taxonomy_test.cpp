#include "config/taxonomy.h"

#include <gtest/gtest.h>

namespace {

const std::string kFile = "tarnel.dat";

void readSet(qv_taxonomyrules& rules, const std::string& header, const std::string& body, qv_errors& errors) {
  qv_config_lines in(body);
  readTaxonomySection(in, header, kFile, errors, rules);
}

TEST(TaxonomySection, ReadsEveryKey) {
  qv_taxonomyrules rules;
  qv_errors errors;
  readSet(rules, "TAXONOMY_1",
          "# Swiss-Prot species from the description\n"
          "Enabled 1\n"
          "Identifier   Swiss-Prot FASTA\n"
          "ErrorLevel 2\n"
          "FromRefFile 0\n"
          "ConcatRefFileLines\n"
          "DescriptionLineSep 1\n"
          "GencodeFiles NCBI:gencode.dmp\n"
          "MitochondrialTranslation 1\n"
          "SpeciesFiles NCBI:names.dmp, SWISSPROT:speclist.txt\tGI2TAXID:gi_taxid.bin PDB:pdb.txt\n"
          "NodesFiles NCBI:nodes.dmp\n"
          "rule_1  SWISSPROT, CHOP:ps \"OS=\\([^=]*\\) [A-Z][A-Z]=\"\n"
          "RULE_2 NCBI CHOP: \"\\[\\(.*\\)\\]\"\n"
          "DefaultRule PDB CHOP:W \"mol:\\(.*\\)\"\n"
          "PrefixRemoves unnamed, hypothetical\n"
          "PrefixRemoves putative\n"
          "NoBreakDescLineIf sp|\n"
          "SuffixRemoves protein\n"
          "QuickRefSearch \"OS=\n"
          "end\n"
          "Enabled 0\n",
          errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0) << errors.getLastErrorString();
  ASSERT_NE(rules.getRuleSet(1), nullptr);
  const qv_taxonomyrule& set = *rules.getRuleSet(1);
  EXPECT_TRUE(set.present);
  EXPECT_TRUE(set.enabled);
  EXPECT_EQ(set.identifier, "Swiss-Prot FASTA");
  EXPECT_EQ(set.errorLevel, 2);
  EXPECT_FALSE(set.fromRefFile);
  EXPECT_TRUE(set.concatRefFileLines);
  EXPECT_EQ(set.descriptionLineSep, '\x01');
  EXPECT_TRUE(set.mitochondrialTranslation);
  ASSERT_EQ(set.gencodeFiles.size(), 1u);
  EXPECT_EQ(set.gencodeFiles[0].fileName, "gencode.dmp");
  ASSERT_EQ(set.speciesFiles.size(), 4u);
  EXPECT_EQ(set.speciesFiles[1].source, QV_TAX_SWISSPROT);
  EXPECT_EQ(set.speciesFiles[2].source, QV_TAX_GI2TAXID);
  EXPECT_EQ(set.speciesFiles[2].fileName, "gi_taxid.bin");
  EXPECT_EQ(set.speciesFiles[3].source, QV_TAX_PDB);
  ASSERT_EQ(set.sourceRules.size(), 2u);
  EXPECT_EQ(set.sourceRules[0].source, QV_TAX_SWISSPROT);
  EXPECT_EQ(set.sourceRules[0].chopFlags, QV_CHOP_P | QV_CHOP_S);
  EXPECT_TRUE(set.sourceRules[0].rule.isCompiled());
  EXPECT_EQ(set.sourceRules[0].rule.match("ALBU_HUMAN Albumin OS=Homo sapiens GN=ALB").value_or("?"), "Homo sapiens");
  EXPECT_EQ(set.sourceRules[1].chopFlags, 0);  // CHOP: without letters
  ASSERT_TRUE(set.defaultRule.has_value());
  EXPECT_EQ(set.defaultRule->source, QV_TAX_PDB);
  EXPECT_EQ(set.defaultRule->chopFlags, QV_CHOP_W);
  EXPECT_FALSE(set.strStrRule.has_value());
  EXPECT_EQ(set.prefixRemoves, (std::vector<std::string>{"UNNAMED", "HYPOTHETICAL", "PUTATIVE"}));
  EXPECT_EQ(set.noBreakDescLineIf, (std::vector<std::string>{"SP|"}));
  EXPECT_EQ(set.quickRefSearch, "OS=");
  EXPECT_EQ(set.rawLines.size(), 19u);
  EXPECT_EQ(rules.getNumberOfRuleSets(), 1);
  EXPECT_EQ(rules.dumpLines()[0],
            "TaxonomyRuleSet=1 enabled=1 identifier=Swiss-Prot FASTA errorLevel=2 taxID=none sourceRules=2 "
            "defaultRule=1 strStrRule=0 gencodeFiles=1 speciesFiles=4 strStrFiles=0 nodesFiles=1 noBreaks=1 "
            "prefixes=3 suffixes=1");
}

TEST(TaxonomySection, FlagsAndNumbersWithoutValues) {
  qv_taxonomyrules rules;
  qv_errors errors;
  readSet(rules, "TAXONOMY_9",
          "Enabled\n"
          "ErrorLevel 3\n"
          "ErrorLevel\n"
          "ConcatRefFileLines 0\n"
          "MitochondrialTranslation 2\n"
          "TaxID\n"
          "QuickRefSearch   gi|\n"
          "Identifier\n"
          "end\n",
          errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  const qv_taxonomyrule& set = *rules.getRuleSet(9);
  EXPECT_FALSE(set.enabled);
  EXPECT_EQ(set.errorLevel, 3);  // no number leaves the value
  EXPECT_FALSE(set.concatRefFileLines);
  EXPECT_FALSE(set.mitochondrialTranslation);
  EXPECT_FALSE(set.hasTaxID);
  EXPECT_EQ(set.quickRefSearch, "gi|");
  EXPECT_EQ(set.identifier, "");
  EXPECT_EQ(rules.getRuleSet(1), nullptr);
}

TEST(TaxonomySection, BadValuesGiveTheSectionMessage) {
  qv_taxonomyrules rules;
  qv_errors errors;
  readSet(rules, "taxonomy_0",
          "Unknown key\n"
          "ErrorLevel -4\n"
          "DescriptionLineSep -1\n"
          "DescriptionLineSep 300\n"
          "SpeciesFiles NCBI:a.dmp, EMBL:b.dmp, NCBI:c.dmp\n"
          "NodesFiles SWISSPROT:x\n"
          "GencodeFiles NCBI:\n"
          "SrcDatabaseRule missing quote\n"
          "RULE_1 EMBL CHOP:P \"\\(x\\)\"\n"
          "RULE_2 NCBI \"\\(x\\)\"\n"
          "RULE_3 NCBI CHOP:Q \"\\(x\\)\"\n"
          "RULE_4 ncbi CHOP:P \"\\(x\\)\"\n"
          "StrStrRule NCBI CHOP:P no quotes\n"
          "END\n",
          errors);
  // Thirteen reports of one number: two entries, the second counting the rest.
  ASSERT_EQ(errors.getNumberOfErrors(), 2);
  EXPECT_EQ(errors.getErrorNumber(1), 0x60F);
  EXPECT_EQ(errors.getErrorNumber(2), 0x60F);
  EXPECT_EQ(errors.getErrorRepeats(2), 11);
  const qv_taxonomyrule& set = *rules.getRuleSet(0);
  EXPECT_EQ(set.errorLevel, 1);
  EXPECT_EQ(set.descriptionLineSep, 0);
  ASSERT_EQ(set.speciesFiles.size(), 1u);  // the rest of the line behind the bad token is dropped
  EXPECT_TRUE(set.nodesFiles.empty());
  EXPECT_TRUE(set.gencodeFiles.empty());
  EXPECT_TRUE(set.sourceRules.empty());
  EXPECT_FALSE(set.strStrRule.has_value());
  EXPECT_FALSE(set.srcDatabaseRule.isDefined());

  qv_errors first;
  qv_taxonomyrules other;
  readSet(other, "TAXONOMY_2", "Nonsense\nend\n", first);
  EXPECT_EQ(first.getErrorString(1), "Invalid entry in the configuration file tarnel.dat - taxonomy section: Nonsense");
}

TEST(TaxonomySection, ExpressionsAreCompiledAtOnce) {
  qv_taxonomyrules rules;
  qv_errors errors;
  readSet(rules, "TAXONOMY_3",
          "SrcDatabaseRule \"\\(gi\\)\"\n"
          "DoThisRuleFirst \"no group\"\n"
          "AccFromSpeciesLine \"\\(open\"\n"
          "end\n",
          errors);
  ASSERT_EQ(errors.getNumberOfErrors(), 2);
  EXPECT_EQ(errors.getErrorNumber(1), 0x604);
  EXPECT_EQ(errors.getErrorNumber(2), 0x603);
  const qv_taxonomyrule& set = *rules.getRuleSet(3);
  EXPECT_TRUE(set.srcDatabaseRule.isCompiled());
  EXPECT_TRUE(set.doThisRuleFirst.isDefined());
  EXPECT_FALSE(set.doThisRuleFirst.isCompiled());
}

TEST(TaxonomySection, HeaderNumberRangeAndDuplicates) {
  qv_taxonomyrules rules;
  qv_errors errors;
  qv_config_lines in(
      "Enabled 1\n"
      "end\n"
      "Enabled 1\n"
      "end\n"
      "Identifier after\n");
  readTaxonomySection(in, "TAXONOMY_65  ", kFile, errors, rules);
  ASSERT_EQ(errors.getNumberOfErrors(), 1);
  EXPECT_EQ(errors.getErrorString(1),
            "Invalid entry in the configuration file tarnel.dat - taxonomy section: TAXONOMY_65");
  EXPECT_EQ(rules.getNumberOfRuleSets(), 0);
  std::string line;
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ(line, "Enabled 1");  // the skip stopped behind the first end

  readTaxonomySection(in, "TAXONOMY_64", kFile, errors, rules);
  EXPECT_NE(rules.getRuleSet(64), nullptr);
  readTaxonomySection(in, "TAXONOMY_64", kFile, errors, rules);
  ASSERT_EQ(errors.getNumberOfErrors(), 2);
  EXPECT_EQ(errors.getErrorNumber(2), 0x61F);
  EXPECT_EQ(errors.getErrorString(2), "A taxonomy rule with duplicate number 64 has been encountered");
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ(line, "Identifier after");  // a duplicate reads nothing
  EXPECT_EQ(rules.getRuleSet(64)->identifier, "");

  readTaxonomySection(in, "TAXONOMY_", kFile, errors, rules);
  readTaxonomySection(in, "TAXONOMY_-1", kFile, errors, rules);
  EXPECT_EQ(errors.getNumberOfErrors(), 4);
  EXPECT_EQ(rules.getRuleSet(-1), nullptr);
  EXPECT_EQ(rules.getRuleSet(65), nullptr);
  rules.reset();
  EXPECT_FALSE(rules.isSectionAvailable());
}

TEST(TaxonomySection, WordListsStopAtTheirLimits) {
  std::string words;
  for (int i = 1; i <= 101; ++i) words += " w" + std::to_string(i);
  qv_taxonomyrules rules;
  qv_errors errors;
  readSet(rules, "TAXONOMY_4", "PrefixRemoves" + words + "\nPrefixRemoves more\nSuffixRemoves" + words + "\nend\n",
          errors);
  const qv_taxonomyrule& set = *rules.getRuleSet(4);
  ASSERT_EQ(set.prefixRemoves.size(), 100u);
  EXPECT_EQ(set.prefixRemoves.back(), "W100");
  EXPECT_EQ(set.suffixRemoves.size(), 100u);
  ASSERT_EQ(errors.getNumberOfErrors(), 3);
  EXPECT_EQ(errors.getErrorString(1), "In taxonomy section of tarnel.dat, max prefixes (100) exceeded");
  EXPECT_EQ(errors.getErrorNumber(2), 0x611);  // a full list takes no more words
  EXPECT_EQ(errors.getErrorString(3), "In taxonomy section of tarnel.dat, max suffixed (100) exceeded");

  std::string many;
  for (int i = 1; i <= 305; ++i) many += ",x";
  qv_errors noBreakErrors;
  readSet(rules, "TAXONOMY_5", "NoBreakDescLineIf " + many + "\nend\n", noBreakErrors);
  EXPECT_EQ(rules.getRuleSet(5)->noBreakDescLineIf.size(), 300u);
  ASSERT_EQ(noBreakErrors.getNumberOfErrors(), 1);
  EXPECT_EQ(noBreakErrors.getErrorString(1), "In taxonomy section of tarnel.dat, max no breaks (300) exceeded");
}

TEST(TaxonomySection, TaxIdClashesWithRuleParameters) {
  qv_taxonomyrules rules;
  qv_errors errors;
  readSet(rules, "TAXONOMY_6",
          "FromRefFile 0\n"
          "QuickRefSearch OS=\n"
          "TaxID 9606\n"
          "PrefixRemoves X\n",
          errors);
  ASSERT_EQ(errors.getNumberOfErrors(), 1);  // checked although the end line is missing
  EXPECT_EQ(errors.getErrorNumber(1), 0x610);
  EXPECT_EQ(errors.getErrorString(1),
            "Incompatible TAXID with some other taxonomy rule parameters in taxonomy section of tarnel.dat: "
            "QuickRefSearch OS=");
  EXPECT_EQ(rules.getRuleSet(6)->taxID, 9606);

  qv_errors fine;
  readSet(rules, "TAXONOMY_7", "TaxID 1\nSpeciesFiles NCBI:names.dmp\nFromRefFile 0\nend\n", fine);
  EXPECT_EQ(fine.getNumberOfErrors(), 0);
  qv_errors ref;
  readSet(rules, "TAXONOMY_8", "FromRefFile 1\nTaxID 1\nend\n", ref);
  EXPECT_EQ(ref.getNumberOfErrors(), 1);
}

}  // namespace
