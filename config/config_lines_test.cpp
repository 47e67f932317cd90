#include "config/config_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(ConfigLines, OverlongLineIsCutAndEndsTheReading) {
  std::string text = "a\n" + std::string(1200, 'x') + "\nOptions\n";
  qv_config_lines in(text);
  std::string line;
  ASSERT_TRUE(in.next(line, qv_config_lines::kTopLevelLimit));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(in.next(line, qv_config_lines::kTopLevelLimit));
  EXPECT_EQ(line.size(), 998u);
  EXPECT_TRUE(in.stopped());
  EXPECT_FALSE(in.next(line));
}

TEST(ConfigLines, LimitsDifferByOneAndLastLineNeedsNoFeed) {
  qv_config_lines in(std::string(999, 'y') + "\nlast");
  std::string line;
  ASSERT_TRUE(in.next(line, qv_config_lines::kSectionLimit));
  EXPECT_FALSE(in.stopped());
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(in.next(line));
  qv_config_lines top(std::string(999, 'y') + "\n");
  ASSERT_TRUE(top.next(line, qv_config_lines::kTopLevelLimit));
  EXPECT_TRUE(top.stopped());
}

TEST(ConfigLines, HelpersOnEdgeInput) {
  EXPECT_EQ(qv_stripTrailing("ab \t\r\n"), "ab");
  EXPECT_TRUE(qv_isCommentOrBlank(" \t\x1a\r"));
  EXPECT_TRUE(qv_isCommentOrBlank("# x"));
  EXPECT_FALSE(qv_isCommentOrBlank(" # x"));
  EXPECT_TRUE(qv_startsWithNoCase("OPTIONSx", "Options"));
  EXPECT_FALSE(qv_startsWithNoCase("Opt", "Options"));
  EXPECT_TRUE(qv_isSectionEnd("end", true));
  EXPECT_FALSE(qv_isSectionEnd("END", true));
  EXPECT_TRUE(qv_isSectionEnd("END", false));
  qv_raw_line r = qv_splitRawLine("  Key: \tsome value\r");
  EXPECT_EQ(r.key, "Key");
  EXPECT_EQ(r.separator, ": \t");
  EXPECT_EQ(r.value, "some value");
  EXPECT_TRUE(qv_splitRawLine("").isEmpty);
  EXPECT_TRUE(qv_splitRawLine("#c").isComment);
}

// The one section loop: lines up to the end line, trailing blanks stripped,
// comments flagged; the end line is consumed and the text after it stays.
TEST(ConfigLines, SectionLinesStopAtTheirEndLineByCase) {
  std::vector<std::pair<std::string, bool>> seen;
  auto collect = [&](std::string_view text, bool commentOrBlank) { seen.emplace_back(std::string(text), commentOrBlank); };

  qv_config_lines in("a=1 \r\n# note\n\nEND of it\nb=2\nend\nafter\n");
  qv_readSectionLines(in, true, collect);  // "END" does not end a case-sensitive section
  const std::vector<std::pair<std::string, bool>> want = {
      {"a=1", false}, {"# note", true}, {"", true}, {"END of it", false}, {"b=2", false}};
  EXPECT_EQ(seen, want);
  std::string rest;
  ASSERT_TRUE(in.next(rest));
  EXPECT_EQ(rest, "after");

  seen.clear();
  qv_config_lines other("x\nEnd\ny\n");
  qv_readSectionLines(other, false, collect);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{{"x", false}}));

  seen.clear();
  qv_config_lines unended("x\ny");
  qv_readSectionLines(unended, false, collect);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_TRUE(unended.atEnd());
}

}  // namespace
