#include "reports/xml_writer.h"

#include <algorithm>
#include <array>

#include "reports/report_numbers.h"

namespace {

// What a byte of an attribute value needs: 0 copied as it is, 1 an entity
// or character reference, 2 a space (a control character XML cannot
// hold), 3 a byte of 0x80 or above (UTF-8 check).
constexpr std::array<unsigned char, 256> kByteClass = [] {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = 2;
  for (int c = 0x80; c < 0x100; ++c) t[c] = 3;
  for (unsigned char c : {'\t', '\n', '\r', '&', '<', '>', '"', '\''}) t[c] = 1;
  return t;
}();

std::string_view reference(unsigned char c) {
  switch (c) {
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    case '\r': return "&#13;";
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return "&apos;";
  }
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at s (whose first byte is 0x80
// or above) within n bytes; 0 when the bytes there are not one. Overlong
// forms, surrogates and values beyond U+10FFFF are not well-formed.
size_t utf8Length(const unsigned char* s, size_t n) {
  const unsigned char c = s[0];
  unsigned char lo = 0x80, hi = 0xBF;
  size_t len;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (n < len || s[1] < lo || s[1] > hi) return 0;
  for (size_t i = 2; i < len; ++i)
    if (!isContinuation(s[i])) return 0;
  return len;
}

}  // namespace

void qv_xmlwriter::appendEscaped(std::string& out, std::string_view value) {
  const auto* s = reinterpret_cast<const unsigned char*>(value.data());
  const size_t n = value.size();
  size_t plain = 0;  // start of the run of bytes copied as they are
  size_t i = 0;
  while (i < n) {
    const unsigned char kind = kByteClass[s[i]];
    if (kind == 0) {
      ++i;
      continue;
    }
    out.append(value.data() + plain, i - plain);
    if (kind == 1) {
      out.append(reference(s[i]));
      ++i;
    } else if (kind == 2) {
      out.push_back(' ');
      ++i;
    } else if (const size_t len = utf8Length(s + i, n - i); len > 0) {
      // U+FFFE and U+FFFF are well-formed UTF-8 but no XML characters.
      if (len == 3 && s[i] == 0xEF && s[i + 1] == 0xBF && s[i + 2] >= 0xBE)
        out.push_back(' ');
      else
        out.append(value.data() + i, len);
      i += len;
    } else {
      out.push_back(static_cast<char>(0xC0 | (s[i] >> 6)));
      out.push_back(static_cast<char>(0x80 | (s[i] & 0x3F)));
      ++i;
    }
    plain = i;
  }
  out.append(value.data() + plain, n - plain);
}

void qv_xmlwriter::appendPercentEscaped(std::string& out, std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
}

void qv_xmlwriter::beginAttr(std::string_view name, std::string_view rest) {
  // A report writes millions of attributes: one append each, not four.
  char buf[96];
  if (name.size() + rest.size() + 3 > sizeof buf) {
    line_.push_back(' ');
    line_.append(name);
    line_.append("=\"");
    line_.append(rest);
    return;
  }
  char* p = buf;
  *p++ = ' ';
  p = std::copy(name.begin(), name.end(), p);
  *p++ = '=';
  *p++ = '"';
  p = std::copy(rest.begin(), rest.end(), p);
  line_.append(buf, p);
}

qv_xmlwriter& qv_xmlwriter::attr(std::string_view name, std::string_view value) {
  beginAttr(name);
  appendEscaped(line_, value);
  line_.push_back('"');
  return *this;
}

qv_xmlwriter& qv_xmlwriter::attrInt(std::string_view name, int64_t value) {
  char number[qv_reports::kMaxNumberLength + 1];
  char* end = qv_reports::writeInt(number, value);
  *end++ = '"';
  beginAttr(name, std::string_view(number, end));
  return *this;
}

qv_xmlwriter& qv_xmlwriter::attrDouble(std::string_view name, double value) {
  char number[qv_reports::kMaxNumberLength + 1];
  char* end = qv_reports::writeDouble(number, value);
  *end++ = '"';
  beginAttr(name, std::string_view(number, end));
  return *this;
}

qv_xmlwriter& qv_xmlwriter::attrPercentEscaped(std::string_view name, std::string_view value) {
  beginAttr(name);
  appendPercentEscaped(line_, value);
  line_.push_back('"');
  return *this;
}

void qv_xmlwriter::endLine() {
  line_.push_back('\n');
  sink_.line(line_);
  line_.clear();
  whole_ = 0;
}

void qv_xmlwriter::flush() {
  if (line_.size() > whole_) {
    endLine();
  } else if (!line_.empty()) {
    sink_.line(line_);
    line_.clear();
    whole_ = 0;
  }
  sink_.flush();
}
