// The writer's UTF-8 check at every edge of the well-formed ranges: the
// first and last lead bytes of each length, the overlong, surrogate and
// beyond-U+10FFFF edges of the second byte, and each continuation byte at
// 0x7F / 0x80 and 0xBF / 0xC0. A well-formed sequence is copied; otherwise
// the lead byte is read as Latin-1 and the bytes after it are looked at
// afresh, so a sequence that is not well-formed comes out as the Latin-1
// reading of all its bytes.
#include <gtest/gtest.h>

#include <string>

#include "reports/xml_writer.h"

namespace {

std::string escaped(std::string_view value) {
  std::string out;
  qv_xmlwriter::appendEscaped(out, value);
  return out;
}

// Each byte as the Latin-1 character it stands for, in UTF-8; ASCII
// letters stay.
std::string latin1(std::string_view bytes) {
  std::string out;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

struct Sequence {
  const char* bytes;
  bool wellFormed;
  const char* what;
};

const Sequence kSequences[] = {
    // Two bytes: C2 to DF.
    {"\xc1\xbf", false, "C1 BF: overlong U+007F"},
    {"\xc2\x80", true, "C2 80: U+0080"},
    {"\xdf\xbf", true, "DF BF: U+07FF"},
    {"\xc2\x7f", false, "C2 7F: second byte below the continuations"},
    {"\xc2\xc0", false, "C2 C0: second byte above the continuations"},
    // Three bytes: E0 needs A0 to BF after it, ED 80 to 9F (no surrogates).
    {"\xe0\x9f\xbf", false, "E0 9F BF: overlong U+07FF"},
    {"\xe0\xa0\x80", true, "E0 A0 80: U+0800"},
    {"\xe0\xbf\xbf", true, "E0 BF BF: U+0FFF"},
    {"\xe1\x80\x80", true, "E1 80 80: U+1000"},
    {"\xe1\x7f\x80", false, "E1 7F 80"},
    {"\xe1\xc0\x80", false, "E1 C0 80"},
    {"\xec\xbf\xbf", true, "EC BF BF: U+CFFF"},
    {"\xed\x80\x80", true, "ED 80 80: U+D000"},
    {"\xed\x9f\xbf", true, "ED 9F BF: U+D7FF"},
    {"\xed\xa0\x80", false, "ED A0 80: surrogate U+D800"},
    {"\xed\xbf\xbf", false, "ED BF BF: surrogate U+DFFF"},
    {"\xee\x80\x80", true, "EE 80 80: U+E000"},
    {"\xef\xbf\xbd", true, "EF BF BD: U+FFFD"},
    {"\xe2\x82\x7f", false, "E2 82 7F: third byte below the continuations"},
    {"\xe2\x82\xc0", false, "E2 82 C0: third byte above the continuations"},
    {"\xe2\x82\xbf", true, "E2 82 BF: U+20BF"},
    // Four bytes: F0 needs 90 to BF after it, F4 80 to 8F (up to U+10FFFF).
    {"\xf0\x8f\xbf\xbf", false, "F0 8F BF BF: overlong U+FFFF"},
    {"\xf0\x90\x80\x80", true, "F0 90 80 80: U+10000"},
    {"\xf0\xbf\xbf\xbf", true, "F0 BF BF BF: U+3FFFF"},
    {"\xf1\x80\x80\x80", true, "F1 80 80 80: U+40000"},
    {"\xf3\xbf\xbf\xbf", true, "F3 BF BF BF: U+FFFFF"},
    {"\xf4\x80\x80\x80", true, "F4 80 80 80: U+100000"},
    {"\xf4\x8f\xbf\xbf", true, "F4 8F BF BF: U+10FFFF"},
    {"\xf4\x90\x80\x80", false, "F4 90 80 80: U+110000"},
    {"\xf5\x80\x80\x80", false, "F5: no lead byte"},
    {"\xf1\x80\x80\x7f", false, "F1 80 80 7F: fourth byte below the continuations"},
    {"\xf1\x80\x80\xc0", false, "F1 80 80 C0: fourth byte above the continuations"},
    {"\xf1\x80\x7f\x80", false, "F1 80 7F 80: third byte below the continuations"},
    {"\xf1\x80\xc0\x80", false, "F1 80 C0 80: third byte above the continuations"},
    // Cut short by the end of the value.
    {"\xc3", false, "C3 at the end"},
    {"\xe0\xa0", false, "E0 A0 at the end"},
    {"\xf0\x90\x80", false, "F0 90 80 at the end"},
};

TEST(XmlWriterUtf8, WellFormedSequencesAreCopiedAndOthersReadAsLatin1AtEveryEdge) {
  for (const Sequence& s : kSequences) {
    const std::string value = std::string("a") + s.bytes + "z";
    EXPECT_EQ(escaped(value), s.wellFormed ? value : latin1(value)) << s.what;
  }
}

TEST(XmlWriterUtf8, ASequenceIsJudgedTheSameAtTheStartAndAtTheEndOfAValue) {
  // The check looks no further than the value's end, wherever the sequence is.
  for (const Sequence& s : kSequences) {
    const std::string alone = s.bytes;
    EXPECT_EQ(escaped(alone), s.wellFormed ? alone : latin1(alone)) << s.what;
    const std::string last = "xy" + alone;
    EXPECT_EQ(escaped(last), s.wellFormed ? last : latin1(last)) << s.what;
  }
}

TEST(XmlWriterUtf8, OnlyTheLastTwoCodePointsOfTheirRowAreNoCharacters) {
  const std::pair<const char*, const char*> cases[] = {
      {"\xef\xbf\xbc", "\xef\xbf\xbc"},  // U+FFFC
      {"\xef\xbf\xbd", "\xef\xbf\xbd"},  // U+FFFD
      {"\xef\xbf\xbe", " "},             // U+FFFE
      {"\xef\xbf\xbf", " "},             // U+FFFF
      {"\xef\xbe\xbf", "\xef\xbe\xbf"},  // U+FFBF
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(escaped(in), out) << in;
}

TEST(XmlWriterUtf8, ControlCharactersAtTheEdgesOfTheirRange) {
  const std::pair<std::string, std::string> cases[] = {
      {std::string(1, '\0'), " "},
      {"\x08", " "},
      {"\t", "&#9;"},
      {"\n", "&#10;"},
      {"\x0b", " "},
      {"\x0c", " "},
      {"\r", "&#13;"},
      {"\x0e", " "},
      {"\x1f", " "},
      {"\x20", " "},
      {"\x7e", "~"},
      {"\x7f", "\x7f"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(escaped(in), out) << static_cast<int>(in[0]);
}

}  // namespace
