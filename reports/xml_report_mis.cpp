// The MS/MS block of the XML report, "<SearchTypeMIS>": for each query its
// peptide matches of ranks 1 to 10, each with the protein it belongs to. The
// protein of a match is its first protein in the peptide summary; a match
// whose proteins were not read (its score is at or below the cut-off) falls
// back on the raw "q<q>_p<p>" value: the accession between its first two
// double quotes and the frame after the colon that follows.
#include <array>
#include <bit>
#include <cmath>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "reports/report_numbers.h"
#include "reports/xml_report_blocks.h"
#include "results/qv_inputquery.h"
#include "results/section_cursor.h"
#include "results/value_parse.h"
#include "summary/qv_peptidesummary.h"

namespace {

constexpr int kMaxRank = qv_peptidesummary::kMaxRank;
constexpr size_t kDescriptionLength = 40;

// What the protein line of every match of one protein repeats; written
// once per protein, since a protein of a large search holds thousands of
// matches.
struct ProteinLine {
  qv_xmlpiece head;  // ` <protein  acc="..." frame="..."`, its own frame
  qv_xmlpiece tail;  // ` score="..." desc="..." queryMatch="..."`
};

// A match of the query in writing, with what its protein line shows.
struct Match {
  std::optional<qv_peptide> peptide;
  int rank = 0;
  bool raw = false;                    // its proteins were not read: the raw value names one
  const ProteinLine* line = nullptr;   // the protein's line; nullptr for a raw one the summary lacks
  std::string accession;               // raw only: the accession and frame the value names
  int frame = 0;
};

class MisBlock {
 public:
  MisBlock(const qv_resultsfile& file, const qv_report_size& size, qv_xmlwriter& out)
      : file_(file),
        out_(out),
        summary_(file, 1, size.minProbability, size.maxHits, std::nullopt, 0.0, 0, std::nullopt),
        rawCursor_(file.sectionCursor(SEC_PEPTIDES)) {}

  void write() {
    const int queries = file_.getNumQueries();
    for (int q = 1; q <= queries && !out_.readerGone(); ++q) writeQuery(q);
  }

 private:
  // A query's lines are written in one go, once everything they show has
  // been read (its matches, their proteins, its title), and reach the sink
  // as one piece: a large search has millions of lines, and each hand-over
  // to the output costs a locked stream write.
  void writeQuery(int q) {
    expectationAtZero_.reset();
    int count = 0;
    for (int p = 1; p <= kMaxRank; ++p) {
      Match& match = matches_[static_cast<size_t>(count)];
      // A copy, which the summary makes for the moment and does not keep:
      // walking every match must not leave an object per match behind.
      match.peptide = summary_.getPeptideCopy(q, p);
      if (!match.peptide || match.peptide->isNoMatch()) continue;
      match.rank = p;
      findProtein(q, match);
      ++count;
    }
    const std::string title = qv_inputquery::decodeTitle(file_.getQuerySectionValueStr(q, "title"));
    out_.markup("<query").attrInt("Query", q).attrInt("PeakListIndex", qv_peakListIndex(title, q)).markup(">");
    out_.breakLine();
    for (int i = 0; i < count; ++i) {
      const Match& match = matches_[static_cast<size_t>(i)];
      writePeptide(q, match.rank, *match.peptide);
      writeProtein(match);
      out_.markup("</peptide>").breakLine();
    }
    out_.markup("</query>").endLine();
  }

  void writePeptide(int q, int p, const qv_peptide& m) {
    const std::string& varMods = m.getVarModsStr();
    const bool modified = varMods.find_first_not_of('0') != std::string::npos;
    out_.markup("<peptide ")
        .attrInt("hitnum", p)
        .attrDouble("MrExp", m.getMrExperimental())
        .attrDouble("MrCalc", m.getMrCalc())
        .attr("pepStr", sequenceWithSubstitutions(m))
        .attrDouble("exp", expectation(m.getIonsScore(), q))
        .attr("modStr", modified ? std::string_view(varMods) : std::string_view())
        .attr("NLs", m.getPrimaryNlStr())
        .attrInt("ion_score", qv_reports::roundedScore(m.getIonsScore()))
        .markup(">")
        .breakLine();
  }

  // The summary's expectation value of a score in query q (the query in
  // writing): the query's value at score 0 divided by 10^(score / 10), 0
  // throughout when the query has none. The query's value, which the
  // summary looks up in the file, is taken once per query.
  double expectation(double score, int q) {
    if (!expectationAtZero_) expectationAtZero_ = summary_.getPeptideExpectationValue(0.0, q);
    if (!(score > 0)) return *expectationAtZero_;
    return *expectationAtZero_ / powerOfScore(score);
  }

  // 10^(score / 10), remembered for the scores met: a search's scores take
  // few distinct values (the file writes two decimals), and the power costs
  // more than the rest of a match's line.
  double powerOfScore(double score) {
    const uint64_t bits = std::bit_cast<uint64_t>(score);
    Power& slot = powers_[(bits * 0x9E3779B97F4A7C15u) >> (64 - kPowerBits)];
    if (slot.scoreBits != bits) slot = {bits, std::pow(10.0, score / 10)};
    return slot.power;
  }

  // The sequence with each substitution's residue put in its place.
  const std::string& sequenceWithSubstitutions(const qv_peptide& m) {
    if (m.getSubstitutions().empty()) return m.getPeptideStr();
    sequence_ = m.getPeptideStr();
    for (const qv_substitution& s : m.getSubstitutions())
      if (s.position >= 1 && static_cast<size_t>(s.position) <= sequence_.size())
        sequence_[static_cast<size_t>(s.position - 1)] = s.substitute;
    return sequence_;
  }

  // The protein line of a match: its first protein in the summary; for a
  // match whose proteins were not read, the protein the raw value names.
  void findProtein(int q, Match& match) {
    match.raw = false;
    match.line = nullptr;
    if (const qv_protein* protein = match.peptide->getProtein(1)) {
      match.line = &lineOf(*protein);
      return;
    }
    match.raw = true;
    match.accession.clear();
    match.frame = 0;
    if (rawAccessionAndFrame(q, match.rank, match.accession, match.frame))
      if (const qv_protein* protein = summary_.getProtein(match.accession)) match.line = &lineOf(*protein);
  }

  void writeProtein(const Match& match) {
    if (!match.raw) {
      out_.append(match.line->head).append(match.line->tail).markup(" />").breakLine();
      return;
    }
    out_.markup(" <protein ").attr("acc", match.accession).attrInt("frame", match.frame);
    if (match.line != nullptr) out_.append(match.line->tail);
    out_.markup(" />").breakLine();
  }

  // The accession and frame the raw value names; false (leaving both as
  // they are) when it holds fewer than two double quotes, and then there is
  // no protein either, even should the summary know an empty accession.
  bool rawAccessionAndFrame(int q, int p, std::string& accession, int& frame) {
    char key[kMaxPeptideKeyLength];
    const size_t length = qv_formatPeptideKey(key, qv_peptide_form::QUERY_RANK, q, p);
    raw_.clear();
    (void)file_.appendValue(rawCursor_.find(std::string_view(key, length)), raw_);
    const std::string_view value = raw_;
    const size_t open = value.find('"');
    const size_t close = open == std::string::npos ? open : value.find('"', open + 1);
    if (close == std::string::npos) return false;
    accession = value.substr(open + 1, close - open - 1);
    if (close + 2 < value.size()) frame = qv_results::leadingInt(value.substr(close + 2, 10));
    return true;
  }

  const ProteinLine& lineOf(const qv_protein& protein) {
    if (&protein == lastProtein_) return *lastLine_;
    auto [it, added] = lines_.try_emplace(&protein);
    ProteinLine& line = it->second;
    lastProtein_ = &protein;
    lastLine_ = &line;
    if (!added) return line;
    // The frame all its matches share, -1 when they differ.
    const int32_t frame = protein.getFrame();
    line.head = qv_xmlwriter::piece([&](qv_xmlwriter& w) {
      w.markup(" <protein ").attr("acc", protein.getAccession()).attrInt("frame", frame);
    });
    const std::string description =
        summary_.getProteinDescription(protein.getAccession()).substr(0, kDescriptionLength);
    const int32_t queryMatch = protein.getQueryMatchCount();
    line.tail = qv_xmlwriter::piece([&](qv_xmlwriter& w) {
      w.attrInt("score", qv_reports::roundedScore(protein.getScore()))
          .attrPercentEscaped("desc", description)
          .attrInt("queryMatch", queryMatch);
    });
    return line;
  }

  const qv_resultsfile& file_;
  qv_xmlwriter& out_;
  const qv_peptidesummary summary_;
  std::array<Match, kMaxRank> matches_;
  std::string sequence_;
  std::string raw_;  // the raw value of the match in writing
  // Raw values are read query after query: in the order of the file.
  qv_resultsfile::SectionCursor rawCursor_;
  std::optional<double> expectationAtZero_;  // of the query in writing
  static constexpr int kPowerBits = 12;
  struct Power {
    uint64_t scoreBits = 0;  // the score 0.0
    double power = 1.0;      // 10^0
  };
  std::vector<Power> powers_ = std::vector<Power>(size_t{1} << kPowerBits);
  std::unordered_map<const qv_protein*, ProteinLine> lines_;
  // The protein of the last look-up: matches of one protein often follow
  // one another.
  const qv_protein* lastProtein_ = nullptr;
  const ProteinLine* lastLine_ = nullptr;
};

}  // namespace

void qv_writeMisBlock(const qv_resultsfile& file, const qv_report_size& size, qv_xmlwriter& out) {
  out.markup("<SearchTypeMIS>").endLine();
  out.flush();  // the summary of a large search takes a while
  if (out.readerGone()) return;
  MisBlock(file, size, out).write();
  out.markup("</SearchTypeMIS>").endLine();
}
