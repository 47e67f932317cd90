#include "config/parse_rules.h"

#include <gtest/gtest.h>

#include "config/databases.h"

namespace {

const std::string kFile = "../config/tarnel.dat";

qv_parserules readRules(const std::string& text, qv_errors& errors) {
  qv_config_lines in(text);
  qv_parserules rules;
  readParseSection(in, kFile, errors, rules);
  return rules;
}

TEST(ParseSection, DefinesRulesByNumberWithoutCompiling) {
  qv_errors errors;
  const qv_parserules rules = readRules(
      "# accession rules\n"
      "RULE_1 \">\\([^ ]*\\)\"   \n"
      "rule_64 \"^>[A-Z]*|\\([^|]*\\)\"\n"
      "\n"
      "END\n"
      "RULE_2 \"after the end\"\n",
      errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  EXPECT_TRUE(rules.isSectionAvailable());
  ASSERT_TRUE(rules.isRuleDefined(1));
  EXPECT_EQ(rules.getRuleByNumber(1)->getText(), ">\\([^ ]*\\)");
  EXPECT_FALSE(rules.getRuleByNumber(1)->isCompiled());
  EXPECT_EQ(rules.getRule(0), rules.getRuleByNumber(1));
  EXPECT_TRUE(rules.isRuleDefined(64));
  EXPECT_FALSE(rules.isRuleDefined(2));
  EXPECT_EQ(rules.getRawLines().size(), 4u);  // comment, two rules, blank line
  EXPECT_TRUE(rules.getRawLines()[0].isComment);
  EXPECT_EQ(rules.getRawLines()[1].key, "RULE_1");
  EXPECT_EQ(rules.getRawLines()[1].value, "\">\\([^ ]*\\)\"");
}

TEST(ParseSection, RejectedLinesGiveTheirMessages) {
  qv_errors errors;
  const std::string longRule(127, 'a');
  const qv_parserules rules = readRules(
      "RUL_1 \"x\"\n"
      "RULE_0 \"zero\"\n"
      "RULE_65 \"too high\"\n"
      "RULE_x \"no number\"\n"
      "RULE_3 \"first\"\n"
      "RULE_3 \"second\"\n"
      "RULE_4 \"one quote\n"
      "RULE_5 \"" +
          longRule +
          "\"\n"
          "end\n",
      errors);
  // The three rejected numbers form a run: two entries, the second repeated.
  ASSERT_EQ(errors.getNumberOfErrors(), 6);
  EXPECT_EQ(errors.getErrorNumber(1), 0x60A);
  EXPECT_EQ(errors.getErrorString(1),
            "Invalid parsing rule syntax in ../config/tarnel.dat file. Expecting RULE_, found RUL_1 \"x\"");
  EXPECT_EQ(errors.getErrorNumber(2), 0x60B);
  EXPECT_EQ(errors.getErrorString(2),
            "In the file ../config/tarnel.dat: all parsing rules must have numbers between 1 and 64: Rule "
            "invalid: RULE_0 \"zero\"");
  EXPECT_EQ(errors.getErrorNumber(3), 0x60B);
  EXPECT_EQ(errors.getErrorRepeats(3), 1);
  EXPECT_EQ(errors.getErrorNumber(4), 0x60C);
  EXPECT_EQ(errors.getErrorString(4),
            "In the file ../config/tarnel.dat: parsing rule 3 has been defined twice: Second one is: RULE_3 "
            "\"second\"");
  EXPECT_EQ(errors.getErrorNumber(5), 0x60D);
  EXPECT_EQ(errors.getErrorString(5), "Missing quote in parse rule in ../config/tarnel.dat: RULE_4 \"one quote");
  EXPECT_EQ(errors.getErrorNumber(6), 0x60E);
  EXPECT_EQ(errors.getErrorString(6),
            "In the file ../config/tarnel.dat: maximimum length of parse string (128) "
            "is exceeded in: RULE_5 \"" +
                longRule + "\"");
  EXPECT_EQ(errors.getErrorLevel(6), 2);
  EXPECT_TRUE(errors.isValid());
  EXPECT_EQ(rules.getRuleByNumber(3)->getText(), "first");
  EXPECT_FALSE(rules.isRuleDefined(4));
  EXPECT_FALSE(rules.isRuleDefined(5));
  EXPECT_EQ(rules.getRuleByNumber(0), nullptr);
  EXPECT_EQ(rules.getRuleByNumber(65), nullptr);
}

TEST(ParseSection, ExpressionLengthLimitIsInclusiveAt126) {
  qv_errors errors;
  const qv_parserules rules = readRules("RULE_7 \"" + std::string(126, 'b') + "\"\n", errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  EXPECT_TRUE(rules.isRuleDefined(7));  // a missing end line simply ends the section
}

TEST(ParseSection, ExpressionRunsFromFirstToLastQuote) {
  qv_errors errors;
  const qv_parserules rules = readRules("RULE_2 \"a\"b\"c\" # trailing\n", errors);
  EXPECT_EQ(rules.getRuleByNumber(2)->getText(), "a\"b\"c");
}

TEST(ParseRule, CompilesOnceWithExactlyOneSubExpression) {
  qv_errors errors;
  qv_parserule good;
  good.define(">\\([^ ]*\\)");
  EXPECT_TRUE(compileRule(good, errors));
  EXPECT_EQ(good.match(">SP|P12345 description").value_or("?"), "SP|P12345");
  EXPECT_EQ(good.match("no title"), std::nullopt);

  qv_parserule caseless;
  caseless.define("^GI|\\([0-9]*\\)");
  EXPECT_TRUE(caseless.compile(errors));
  EXPECT_EQ(caseless.match("gi|1234|x").value_or("?"), "1234");

  qv_parserule none;
  none.define(">[^ ]*");
  EXPECT_FALSE(none.compile(errors));
  qv_parserule two;
  two.define("\\(a\\)\\(b\\)");
  EXPECT_FALSE(two.compile(errors));
  qv_parserule broken;
  broken.define("\\(a");
  EXPECT_FALSE(broken.compile(errors));
  EXPECT_FALSE(broken.compile(errors));  // not tried again
  EXPECT_EQ(broken.match("a"), std::nullopt);

  ASSERT_EQ(errors.getNumberOfErrors(), 3);
  EXPECT_EQ(errors.getErrorString(1), "Only one sub-expression per parse rule allowed. Found 0 in >[^ ]*");
  EXPECT_EQ(errors.getErrorString(2), "Only one sub-expression per parse rule allowed. Found 2 in \\(a\\)\\(b\\)");
  EXPECT_EQ(errors.getErrorNumber(3), 0x603);
  EXPECT_EQ(errors.getErrorString(3).rfind("Error compiling the parse rule: \\(a. Error string: ", 0), 0u);
  EXPECT_GT(errors.getErrorString(3).size(),
            std::string("Error compiling the parse rule: \\(a. Error string: ").size());
}

TEST(ParseRule, NulByteInAnExpressionEndsIt) {
  qv_errors errors;
  qv_parserule rule;
  rule.define(std::string("x\\(y\\)\0\\(z\\)", 12));
  EXPECT_TRUE(rule.compile(errors));
  EXPECT_EQ(rule.match("XY").value_or("?"), "Y");
}

TEST(ParseRules, DumpListsDefinedRulesWithTheirNumbers) {
  qv_errors errors;
  qv_parserules rules = readRules("RULE_1 \">\\(.*\\)\"\nRULE_10 \"x\"\nend\n", errors);
  ASSERT_TRUE(rules.getRuleByNumber(1)->compile(errors));
  const std::vector<std::string> lines = rules.dumpLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "ParseRule=1 compiled=1 text=>\\(.*\\)");
  EXPECT_EQ(lines[1], "ParseRule=10 compiled=0 text=x");
  rules.reset();
  EXPECT_TRUE(rules.dumpLines().empty());
  EXPECT_FALSE(rules.isSectionAvailable());
}

}  // namespace
