#pragma once
// Test helpers of the XML report: the report of a file as text, and the
// check of a document against the shipped schema with xmllint.
#include <string>
#include <string_view>

namespace qvreporttest {

/// The report of results file `path` with --reporttop `top`, as written.
std::string reportOf(const std::string& path, std::string_view top);

/// Validates `xml` against schemas/sorvanter_tarnel_search_1.xsd with
/// `xmllint --schema`; empty when it is valid, else xmllint's messages.
std::string schemaErrors(const std::string& xml);

/// The lines of `text` that begin with `prefix`, each with its newline.
std::string linesStartingWith(const std::string& text, std::string_view prefix);

}  // namespace qvreporttest
