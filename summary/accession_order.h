#pragma once
// The natural order of accessions used to break ties between hits of equal
// scores: when either accession holds a decimal digit, the integers read from
// each one's first digit on are compared (smaller first; an accession without
// a digit reads as 0), and equal integers fall back to plain byte order.
// Without digits it is plain byte order. Integers of any length compare
// exactly (by their digits, without conversion).
#include <string_view>

/// Negative, 0 or positive as `a` comes before, with or after `b`.
int qv_compareAccessions(std::string_view a, std::string_view b);
