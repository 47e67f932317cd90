#pragma once
// The two search-type blocks of the XML report, each in its own file.
#include "reports/xml_report.h"
#include "reports/xml_writer.h"
#include "results/qv_resultsfile.h"

/// "<SearchTypePMF ...>": the protein hits of a fingerprint search.
void qv_writePmfBlock(const qv_resultsfile& file, const qv_report_size& size, qv_xmlwriter& out);
/// "<SearchTypeMIS>": each query with its peptide matches.
void qv_writeMisBlock(const qv_resultsfile& file, const qv_report_size& size, qv_xmlwriter& out);
