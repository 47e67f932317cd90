#pragma once
// A look at a document's shape, byte by byte and in one pass, before the
// XML library sees it. The library's time grows with the square of nesting
// depth and of the number of attributes on one element, and a document it
// refuses can make it report one problem per element; the documents of the
// security store have a known, shallow shape, so anything far outside it is
// refused here, in time linear in the document's size, with one reason.
//
// The check reads markup the way XML does (comments, CDATA sections and
// processing instructions are skipped whole; a ">" inside a quoted attribute
// value does not end a tag) and so sees the nesting the parser would see. It
// does not check well-formedness: whatever it lets through, the parser
// still judges.
#include <optional>
#include <string>
#include <string_view>

#include "security/xml_service.h"

namespace qv_xml {

/// Most attributes on one element (namespace declarations included). The
/// store's documents carry five at most (the root's two namespace
/// declarations, schema location and two version numbers; the schema's
/// root as many); 16 leaves room for a hand-written document's extra
/// declarations while the parser's cost per element stays negligible.
inline constexpr int kMaxAttributesPerElement = 16;

/// Why a document's shape is refused, and where (1-based line, and column
/// counted in bytes, of the markup that breaks the rule).
struct ShapeRefusal {
  int line = 0;
  int column = 0;
  std::string reason;
};

/// Nothing when `document` keeps to the store's shape; otherwise the first
/// rule it breaks:
/// - an element nested deeper than `maxDepth` (the root is at depth 1);
/// - an element with more than `maxAttributes` attributes;
/// - a document type declaration (the store's documents never have one; it
///   is the only way to declare entities or name external files), or other
///   markup beginning "<!" that is neither a comment nor a CDATA section;
/// - bytes the check cannot read as the parser would: a NUL byte, a UTF-16
///   or UTF-32 byte order mark, an EBCDIC start, or an encoding declared
///   other than UTF-8, US-ASCII or ISO-8859-n.
[[nodiscard]] std::optional<ShapeRefusal> checkShape(std::string_view document, int maxDepth = kMaxElementDepth,
                                                     int maxAttributes = kMaxAttributesPerElement);

}  // namespace qv_xml
