// qv-genresults: writes a deterministic synthetic results file for tests,
// benchmarks and the demo.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "tools/common/tool_options.h"
#include "tools/genresults/gen_writer.h"

namespace {

constexpr const char* kUsage =
    "usage: qv-genresults [options] --output FILE   (FILE '-' writes to standard output)\n"
    "  --dialect mime|bracket   section layout (default mime)\n"
    "  --type msms|pmf          MS/MS ions search or peptide mass fingerprint (default msms)\n"
    "  --queries N              number of queries (default 100)\n"
    "  --size-mb N              choose the number of queries for a file of about N megabytes\n"
    "  --proteins N             size of the protein set (default 50)\n"
    "  --peaks N                peaks per MS/MS query (default 300)\n"
    "  --ranks N                peptide matches per MS/MS query, 1 to 10 (default 10)\n"
    "  --hits N                 protein hits in the summary section (default 20)\n"
    "  --seed N                 random seed (default 1); equal options give equal files\n"
    "  --reptype TEXT           the REPTYPE parameter (default protein for pmf, peptide for msms)\n"
    "  --crlf                   end lines with CR LF\n"
    "  --error-tolerant         an error-tolerant search with its extra peptide keys\n";

bool readNumber(std::string_view text, long long lo, long long hi, long long& value) {
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size() && value >= lo && value <= hi;
}

int usageError(const std::string& what) {
  std::fprintf(stderr, "qv-genresults: %s\n%s", what.c_str(), kUsage);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = qv_tools::answerStandardOption(argc, argv, "qv-genresults", kUsage)) return *status;
  qvgen::Options options;
  std::string output;
  long long sizeMb = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--crlf") {
      options.crlf = true;
      continue;
    }
    if (arg == "--error-tolerant") {
      options.errorTolerant = true;
      continue;
    }
    if (i + 1 >= argc) return usageError("missing value or unknown option: " + std::string(arg));
    std::string_view value = argv[++i];
    long long n = 0;
    auto number = [&](long long lo, long long hi) {
      if (!readNumber(value, lo, hi, n)) return false;
      return true;
    };
    if (arg == "--output" || arg == "-o") {
      output = value;
    } else if (arg == "--dialect" && (value == "mime" || value == "bracket")) {
      options.dialect = value == "mime" ? qvgen::Dialect::Mime : qvgen::Dialect::Bracket;
    } else if (arg == "--type" && (value == "msms" || value == "pmf")) {
      options.type = value == "msms" ? qvgen::SearchType::MsMs : qvgen::SearchType::Pmf;
    } else if (arg == "--queries" && number(1, 50000000)) {
      options.queries = static_cast<int>(n);
    } else if (arg == "--size-mb" && number(1, 100000)) {
      sizeMb = n;
    } else if (arg == "--proteins" && number(1, 1000000)) {
      options.proteins = static_cast<int>(n);
    } else if (arg == "--peaks" && number(0, 100000)) {
      options.peaks = static_cast<int>(n);
    } else if (arg == "--ranks" && number(1, 10)) {
      options.ranks = static_cast<int>(n);
    } else if (arg == "--hits" && number(0, 1000000)) {
      options.hits = static_cast<int>(n);
    } else if (arg == "--reptype" && !value.empty()) {
      options.reportType = value;
    } else if (arg == "--seed" && number(0, (1LL << 62))) {
      options.seed = static_cast<uint64_t>(n);
    } else {
      return usageError("bad option or value: " + std::string(arg) + " " + std::string(value));
    }
  }
  if (output.empty()) return usageError("--output is required");
  if (sizeMb > 0) options.queries = qvgen::queriesForSize(options, static_cast<uint64_t>(sizeMb) * 1000000);

  bool toStdout = output == "-";
  std::FILE* file = toStdout ? stdout : std::fopen(output.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "qv-genresults: cannot create %s: %s\n", output.c_str(), std::strerror(errno));
    return 1;
  }
  bool ok = qvgen::writeResults(options, file);
  if (!toStdout) ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "qv-genresults: writing %s failed\n", output.c_str());
    return 1;
  }
  if (!toStdout) std::fprintf(stderr, "qv-genresults: wrote %s (%d queries)\n", output.c_str(), options.queries);
  return 0;
}
