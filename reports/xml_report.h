#pragma once
// The XML report of a finished search (--xmlresults): the search
// parameters, the user-defined parameters, and either the protein hits of a
// peptide mass fingerprint search with their components and modified
// peptides, or each query of an MS/MS or sequence-query search with its
// ranked peptide matches and the protein each belongs to. Elements are
// written in a fixed order, line by line, through qv_xmlwriter, so the
// document is well-formed XML whatever the file holds; it is described by
// schemas/sorvanter_tarnel_search_1.xsd.
#include <cstdint>
#include <string>
#include <string_view>

#include "reports/report_sink.h"

/// The report's namespace name; the schema's location is this followed by
/// "/sorvanter_tarnel_search_1.xsd".
inline constexpr std::string_view kXmlReportNamespace =
    "http://www.sorvanter.example/xmlns/schema/sorvanter_tarnel_search_1";

/// How many hits a report asks the summary for, and the smallest probability
/// that counts (0.0: none).
struct qv_report_size {
  int32_t maxHits = 0;
  double minProbability = 0.0;
  bool operator==(const qv_report_size&) const = default;
};

/// The report size of a --reporttop text, compared without regard to case:
/// "FILE" takes `reportParameter` (the search's "REPORT"), and AUTO when that
/// is 0; "AUTO", 0 and text that is not a number give AUTO (999999 hits,
/// probability 0.05); any other number is the number of hits (negative ones
/// too) with probability 0.0.
qv_report_size qv_reportSize(std::string_view text, int32_t reportParameter);

/// The peak list index a title names: its leading digits when a ":" follows
/// them; else, for a title that starts with a non-digit, the digits after the
/// first backslash that is followed by digits (possibly none) and ":";
/// otherwise `fallback`. Values beyond the 32-bit range saturate.
int32_t qv_peakListIndex(std::string_view title, int32_t fallback);

/// Opens the results file `fileName` and writes its report to `sink`: the
/// XML document, or, when the file is not valid, the three-line plain-text
/// answer. `reportTop` is the --reporttop text. Flushes the sink before
/// building a summary.
void qv_writeXmlReport(const std::string& fileName, std::string_view reportTop, qv_report_sink& sink);
