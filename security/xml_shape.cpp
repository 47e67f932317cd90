#include "security/xml_shape.h"

#include <algorithm>
#include <cstring>

#include "platform/ascii.h"

namespace qv_xml {

namespace {

using qv_platform::equalsIgnoringAsciiCase;

bool startsWith(std::string_view s, size_t at, std::string_view prefix) {
  return s.size() - at >= prefix.size() && s.compare(at, prefix.size(), prefix) == 0;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Encodings in which every markup byte is the ASCII byte, so that the bytes
// this check reads are the characters the parser reads.
bool asciiCompatible(std::string_view name) {
  if (equalsIgnoringAsciiCase(name, "UTF-8") || equalsIgnoringAsciiCase(name, "US-ASCII")) return true;
  constexpr std::string_view kIso = "ISO-8859-";
  if (name.size() <= kIso.size() || name.size() > kIso.size() + 2 ||
      !equalsIgnoringAsciiCase(name.substr(0, kIso.size()), kIso)) {
    return false;
  }
  return std::all_of(name.begin() + kIso.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The encoding named in an XML declaration (`decl` is the text between
// "<?xml" and "?>"); empty when none is named.
std::string_view declaredEncoding(std::string_view decl) {
  for (size_t at = decl.find("encoding"); at != std::string_view::npos; at = decl.find("encoding", at + 1)) {
    size_t i = at + 8;
    while (i < decl.size() && isSpace(decl[i])) ++i;
    if (i == decl.size() || decl[i] != '=') continue;
    ++i;
    while (i < decl.size() && isSpace(decl[i])) ++i;
    if (i == decl.size() || (decl[i] != '"' && decl[i] != '\'')) continue;
    const size_t end = decl.find(decl[i], i + 1);
    if (end == std::string_view::npos) return decl.substr(i + 1);
    return decl.substr(i + 1, end - i - 1);
  }
  return {};
}

ShapeRefusal refusal(std::string_view document, size_t offset, std::string reason) {
  ShapeRefusal r;
  const std::string_view before = document.substr(0, offset);
  r.line = 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
  const size_t lineStart = before.rfind('\n');
  r.column = static_cast<int>(offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1)) + 1;
  r.reason = std::move(reason);
  return r;
}

}  // namespace

std::optional<ShapeRefusal> checkShape(std::string_view document, int maxDepth, int maxAttributes) {
  const std::string_view d = document;
  size_t i = 0;
  if (startsWith(d, 0, "\xfe\xff") || startsWith(d, 0, "\xff\xfe")) {
    return refusal(d, 0, "the document is in UTF-16 or UTF-32, not UTF-8");
  }
  if (const void* nul = std::memchr(d.data(), '\0', d.size())) {
    return refusal(d, static_cast<size_t>(static_cast<const char*>(nul) - d.data()), "the document holds a NUL byte");
  }
  if (startsWith(d, 0, "\xef\xbb\xbf")) i = 3;
  if (startsWith(d, i, "\x4c\x6f\xa7\x94")) return refusal(d, i, "the document is in EBCDIC, not UTF-8");
  if (startsWith(d, i, "<?xml") && d.size() > i + 5 && isSpace(d[i + 5])) {
    const size_t end = d.find("?>", i);
    const std::string_view encoding =
        declaredEncoding(d.substr(i + 5, end == std::string_view::npos ? std::string_view::npos : end - i - 5));
    if (!encoding.empty() && !asciiCompatible(encoding)) {
      return refusal(d, i,
                     "the document's encoding \"" + std::string(encoding) + "\" is not UTF-8, US-ASCII or ISO-8859-n");
    }
  }

  int depth = 0;  // elements open around the current position
  while (i < d.size()) {
    const size_t lt = d.find('<', i);
    if (lt == std::string_view::npos || lt + 1 == d.size()) break;
    i = lt + 1;
    // Markup that is skipped whole; an unterminated one is left to the parser.
    auto skipTo = [&](std::string_view close, size_t from) {
      const size_t end = d.find(close, from);
      i = end == std::string_view::npos ? d.size() : end + close.size();
    };
    const char c = d[i];
    if (c == '?') {
      skipTo("?>", i + 1);
    } else if (c == '!') {
      if (startsWith(d, i, "!--")) {
        skipTo("-->", i + 3);
      } else if (startsWith(d, i, "![CDATA[")) {
        skipTo("]]>", i + 8);
      } else if (startsWith(d, i, "!DOCTYPE")) {
        return refusal(d, lt, "a document type declaration is not accepted");
      } else {
        return refusal(d, lt, "markup \"<!\" that is neither a comment nor a CDATA section");
      }
    } else if (c == '/') {
      depth = std::max(depth - 1, 0);
      skipTo(">", i + 1);
    } else {
      // A start tag: it ends at the first ">" outside a quoted value, and
      // each quoted value is one attribute's.
      int attributes = 0;
      char quote = 0;
      size_t j = i;
      for (; j < d.size(); ++j) {
        const char b = d[j];
        if (quote != 0) {
          if (b == quote) quote = 0;
        } else if (b == '"' || b == '\'') {
          quote = b;
          if (++attributes > maxAttributes) {
            return refusal(d, lt, "an element has more than " + std::to_string(maxAttributes) + " attributes");
          }
        } else if (b == '>') {
          break;
        }
      }
      if (depth + 1 > maxDepth) {
        return refusal(d, lt, "elements are nested deeper than " + std::to_string(maxDepth));
      }
      if (j == d.size()) break;
      if (d[j - 1] != '/') ++depth;
      i = j + 1;
    }
  }
  return std::nullopt;
}

}  // namespace qv_xml
