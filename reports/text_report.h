#pragma once
// The text report of a finished search (--results): lines of key=value for
// the web scripts. The file, its release and number of queries; the number
// of hits and the top hit (accession, score, mass, description) of a first
// summary; the report type and the protein significance threshold; then for
// each query its description and, for MS/MS data, the top peptide's ions
// score and identity threshold from a peptide summary; "selectpeptides="
// and, when the results file recorded any message, its last one as
// "error=". An invalid results file gives the "error=" line alone.
//
// Which summaries: a report type "peptide" (in any letter case) of an MS/MS
// search gets a peptide summary of the top hit with the configuration's
// minimum peptide length and ions score floor, and with flag 0x40 added
// when the search has more queries than the configuration's Mudpit value;
// any other report gets a protein summary of 50 hits, and an MS/MS search
// then a plain peptide summary for the per-query lines.
#include <functional>
#include <string>

#include "reports/report_sink.h"

/// What the report takes from the server configuration.
struct qv_text_report_settings {
  bool valid = false;            ///< false: the defaults below are used
  int minPeptideLength = 0;      ///< MinPepLenInPepSummary
  double ionsScoreFloor = 0.0;   ///< IgnoreIonsScoreBelow
  int mudpit = 0;                ///< Mudpit: more queries than this adds flag 0x40
};

/// Reads the server configuration from its default places (waiting up to 10
/// seconds for it), makes its options and cluster settings the process-wide
/// settings of the engine reporter and mail, and returns the report's three
/// values (valid = false when the configuration is not valid).
qv_text_report_settings qv_readTextReportSettings();

/// Opens the results file `fileName` and writes its text report to `sink`.
/// `readSettings` is called once, after the first three lines, unless the
/// file is invalid. The sink is flushed before the settings are read and
/// before each summary is built.
void qv_writeTextReport(const std::string& fileName, qv_report_sink& sink,
                        const std::function<qv_text_report_settings()>& readSettings);
