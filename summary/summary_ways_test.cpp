// The fast ways of building a summary against the plain ones, on generated
// files (some of them damaged, so that the full readers take over matches
// and record problems): matches read ahead on a second thread against
// matches read one by one, scores worked out in one walk over the
// reference store against protein by protein, and the build steps split in
// two parts run at once (the claims of the hits by halves of the queries,
// the grouping's keys by halves of the store) against one part. Every
// protein, reference, mark and error must come out the same.
#include <climits>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results/peptide_string.h"
#include "summary/qv_peptidesummary.h"
#include "summary/qv_proteinsummary.h"
#include "summary/summary_test_util.h"
#include "tools/genresults/gen_model.h"
#include "tools/genresults/gen_writer.h"

namespace {

using qvsummarytest::ScratchDir;
using qvsummarytest::withOddCompanions;

// Everything a report can see of a summary, as text.
std::string describe(const qv_summary& s, const qv_resultsfile& file) {
  std::ostringstream out;
  out << "hits " << s.getNumberOfHits() << " min " << s.getMinScore() << "\n";
  for (const qv_protein* p : s.getOrderedProteins()) {
    // The count a report prints, against the references it counts.
    int queryMatches = 0;
    for (int i = 1; i <= p->getNumPeptides(); ++i)
      queryMatches += p->getPeptideQuery(i) != -1 && p->getPeptideP(i) != -1 &&
                      p->getPeptideDuplicateStatus(i) != qv_protein::DUP_SAME_QUERY;
    EXPECT_EQ(p->getQueryMatchCount(), queryMatches) << p->getAccession();
    out << p->getAccession() << " score " << p->getScore() << " hit " << p->getHitNumber() << " status "
        << p->getStatus() << " under " << p->getGroupLeaderAccession() << " frame " << p->getFrame() << "\n";
    for (int i = 1; i <= p->getNumPeptides(); ++i) {
      out << "  " << p->getPeptideQuery(i) << "/" << p->getPeptideP(i) << " " << p->getPeptideStart(i) << "-"
          << p->getPeptideEnd(i) << " x" << p->getPeptideMultiplicity(i) << " f" << p->getPeptideFrame(i) << " "
          << p->getPeptideResidueBefore(i) << p->getPeptideResidueAfter(i) << " s" << p->getPeptideScore(i) << " d"
          << p->getPeptideDuplicateFlags(i) << "/" << p->getPeptideDuplicateStatus(i) << " b"
          << p->getPeptideIsBold(i) << " r" << p->getPeptideIsRed(i) << "\n";
    }
  }
  for (int q = 1; q <= file.getNumQueries(); ++q) {
    for (int r = 1; r <= s.getMaxRank(); ++r) {
      std::optional<qv_peptide> p = s.getPeptideCopy(q, r);
      if (!p) continue;
      out << "q" << q << "p" << r << " " << p->getPeptideStr() << " " << p->getVarModsStr() << " "
          << p->getIonsScore() << " pretty " << p->getPrettyRank() << " claimed " << p->getClaimingHit() << " "
          << s.getProteinListText(q, r, true) << "\n";
    }
  }
  for (int i = 1; i <= file.getNumberOfErrors(); ++i) out << "error " << file.getErrorString(i) << "\n";
  return out.str();
}

// Damages a generated file so that some matches need the full readers: a
// value led by a blank, a "_terms" pair cut short, a field missing, a
// protein list with an empty accession, and lines out of their order.
std::string damaged(std::string text) {
  std::istringstream in(text);
  std::ostringstream out;
  std::string line, held;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    const bool match = line.rfind('q', 0) == 0 && line.find("_p") != std::string::npos;
    if (match && line.find("_terms=") != std::string::npos && n % 53 == 0) {
      line = line.substr(0, line.find('=') + 2);
    } else if (match && n % 41 == 0) {
      line.insert(line.find('=') + 1, " ");
    } else if (match && n % 67 == 0) {
      line = line.substr(0, line.find(','));
    } else if (match && n % 71 == 0 && line.find(";\"") != std::string::npos) {
      line.replace(line.find(";\"") + 2, line.find('"', line.find(";\"") + 2) - line.find(";\"") - 2, "");
    } else if (match && n % 97 == 0) {
      held = line;  // written after the next line
      continue;
    }
    out << line << "\n";
    if (!held.empty() && !match) {
      out << held << "\n";
      held.clear();
    }
  }
  return out.str();
}

// The first line where two descriptions differ ("" when they are equal):
// a failure names it instead of printing both in full.
std::string firstDifference(const std::string& a, const std::string& b) {
  std::istringstream x(a), y(b);
  std::string lx, ly;
  for (int n = 1;; ++n) {
    const bool more = static_cast<bool>(std::getline(x, lx));
    if (more != static_cast<bool>(std::getline(y, ly))) return "line " + std::to_string(n) + ": one ends";
    if (!more) return "";
    if (lx != ly) return "line " + std::to_string(n) + ": " + lx + " | " + ly;
  }
}

std::string summaryText(const std::string& path, uint32_t flags, int readAheadFrom, bool storeOrder,
                        bool twoParts = false) {
  qv_summary_tuning tuning;
  tuning.readAheadMinQueries = readAheadFrom;
  tuning.scoresInStoreOrder = storeOrder;
  tuning.twoPartsMinItems = twoParts ? 0 : SIZE_MAX;
  qv_resultsfile file(path);
  qv_peptidesummary s(file, flags, 0.05, 999999, std::nullopt, 0.0, 0, std::nullopt, tuning);
  return describe(s, file);
}

TEST(SummaryWays, ReadingAheadScoringInStoreOrderAndTwoPartsChangeNothing) {
  ScratchDir dir;
  for (bool damage : {false, true}) {
    qvgen::Options o;
    o.queries = 900;  // several batches of the read-ahead, the last one short
    o.proteins = 300;
    o.peaks = 3;
    o.seed = damage ? 5 : 9;
    const std::string text = qvgen::resultsText(o);
    const std::string path = dir.write(damage ? "damaged.dat" : "plain.dat", damage ? damaged(text) : text);
    for (uint32_t flags : {0x0u, 0x41u, 0x5u, 0x4000001u, 0x9u}) {
      const std::string plain = summaryText(path, flags, INT_MAX, false);
      EXPECT_EQ(firstDifference(summaryText(path, flags, 1, false), plain), "") << "read ahead, flags " << flags;
      EXPECT_EQ(firstDifference(summaryText(path, flags, INT_MAX, true), plain), "") << "store order, " << flags;
      EXPECT_EQ(firstDifference(summaryText(path, flags, INT_MAX, false, true), plain), "") << "two parts, " << flags;
      EXPECT_EQ(firstDifference(summaryText(path, flags, 1, true, true), plain), "") << "all, flags " << flags;
      // The damage is seen: the full readers record what they find (the
      // walk over every rank above adds "no peptide" errors to both).
      size_t readerErrors = 0;
      std::istringstream lines(plain);
      for (std::string line; std::getline(lines, line);)
        readerErrors += line.rfind("error ", 0) == 0 && line.find("getPeptide") == std::string::npos;
      EXPECT_EQ(readerErrors > 0, damage) << flags;
    }
  }
}

// Every field of a peptide, for comparing two readings of it.
std::string fieldsOf(const qv_peptide& p) {
  std::ostringstream out;
  out << p.getQuery() << " " << p.getRank() << " " << p.getMissedCleavages() << " " << p.getMrCalc() << " "
      << p.getDelta() << " " << p.getNumIonsMatched() << " " << p.getPeptideStr() << " " << p.getPeaksUsedFromIons1()
      << " " << p.getVarModsStr() << " " << p.getIonsScore() << " " << p.getSeriesUsedStr() << " "
      << p.getPeaksUsedFromIons2() << " " << p.getPeaksUsedFromIons3() << " " << p.getObserved() << " "
      << p.getObsCharge() << " nl " << p.getPrimaryNlStr() << " subst";
  for (const qv_substitution& x : p.getSubstitutions()) out << " " << x.position << x.residue << x.substitute;
  return out.str();
}

// Each way of re-reading (one query at a time; the queries ahead read on a
// second thread with the companions marked, from the first query or once
// 1,000 queries have been walked) against the full reader, on a plain file
// and on one with damaged values and companions in odd letter cases,
// written twice or under keys no reader asks for.
TEST(SummaryWays, PeptidesReadAgainEqualTheFullReadersPeptides) {
  using Way = qv_match_rereader::Way;
  ScratchDir dir;
  for (bool damage : {false, true}) {
    qvgen::Options o;
    o.queries = 1300;  // past the 1,000 queries after which reading ahead starts
    o.proteins = 200;
    o.peaks = 3;
    o.seed = damage ? 21 : 22;
    const std::string text = qvgen::resultsText(o);
    const std::string path = dir.write("r.dat", damage ? withOddCompanions(damaged(text)) : text);
    qv_resultsfile reference(path);
    const qv_resultsfile_peptide_source source(reference, qv_peptide_form::QUERY_RANK);
    for (Way way : {Way::PLAIN, Way::AT_ONCE, Way::AUTO}) {
      SCOPED_TRACE(static_cast<int>(way));
      qv_summary_tuning tuning;
      tuning.rereadWay = way;
      tuning.readAheadMinQueries = 1;
      qv_resultsfile file(path);
      qv_peptidesummary s(file, 0x41, 0.05, 999999, std::nullopt, 0.0, 0, std::nullopt, tuning);
      int compared = 0, substituted = 0, withLoss = 0;
      // In order, as a report walks them, with a query asked for twice and
      // one behind; then a jump ahead and some out of order.
      std::vector<std::pair<int, int>> order;
      for (int q = 1; q <= o.queries; ++q) {
        for (int p = 1; p <= s.getMaxRank(); ++p) order.emplace_back(q, p);
        if (q % 97 == 0) order.emplace_back(q, 2);
        if (q % 89 == 0) order.emplace_back(q - 1, 3);
      }
      order.emplace_back(40, 2);
      for (int i = 0; i < 500; ++i) order.push_back(order[static_cast<size_t>(i * 7919) % order.size()]);
      for (const auto& [q, p] : order) {
        std::optional<qv_peptide> copy = s.getPeptideCopy(q, p);
        const qv_query_rank_read full = qv_readQueryRankPeptide(source, q, p);
        ASSERT_EQ(copy.has_value(), full.peptide != nullptr) << q << " " << p;
        if (!copy) continue;
        ASSERT_EQ(fieldsOf(*copy), fieldsOf(*full.peptide));
        ++compared;
        substituted += !copy->getSubstitutions().empty();
        withLoss += !copy->getPrimaryNlStr().empty();
      }
      EXPECT_GT(compared, 6000);
      EXPECT_GT(substituted, 10);
      EXPECT_GT(withLoss, 10);
    }
  }
}

// The matches of a fingerprint summary's hits against the full reader's
// reading of each "h%d_q%d" line, on a plain and a damaged file.
TEST(SummaryWays, FingerprintMatchesEqualTheFullReadersMatches) {
  for (bool damage : {false, true}) {
    qvgen::Options o;
    o.type = qvgen::SearchType::Pmf;
    o.queries = 300;
    o.hits = 20;
    o.proteins = 60;
    o.seed = damage ? 31 : 32;
    std::string text = qvgen::resultsText(o);
    if (damage) {  // a blank-led value, a cut value, a short "_terms" pair
      std::istringstream in(text);
      std::ostringstream out;
      int n = 0;
      for (std::string line; std::getline(in, line);) {
        const bool match = line.rfind('h', 0) == 0 && line.find("_q") != std::string::npos;
        if (match && ++n % 7 == 0) line.insert(line.find('=') + 1, " ");
        if (match && n % 11 == 0) line = line.substr(0, line.find(',', line.find(',') + 1));
        if (match && n % 13 == 0 && line.find("_terms=") != std::string::npos) line = line.substr(0, line.find('=') + 2);
        out << line << "\n";
      }
      text = out.str();
    }
    ScratchDir dir;
    const std::string path = dir.write("f.dat", text);
    qv_resultsfile file(path);
    qv_resultsfile reference(path);
    const qv_resultsfile_peptide_source source(reference, qv_peptide_form::HIT_QUERY);
    qv_proteinsummary s(file, 0x1, 0.0, 50, std::nullopt, std::nullopt);
    int compared = 0;
    for (const qv_protein* p : s.getOrderedProteins()) {
      if (p->isMixture()) continue;
      for (int i = 1; i <= p->getNumPeptides(); ++i) {
        const qv_hit_query_read full = qv_readHitQueryPeptide(source, p->getHitNumber(), p->getPeptideQuery(i));
        ASSERT_NE(full.peptide, nullptr);
        const qv_match* m = p->getPeptideMatch(i);
        EXPECT_EQ(m->ionsScore, full.peptide->getIonsScore());
        EXPECT_EQ(s.sequenceOf(*m), full.peptide->getPeptideStr());
        EXPECT_EQ(s.modsOf(*m), full.peptide->getVarModsStr());
        EXPECT_EQ(p->getPeptideStart(i), full.start);
        EXPECT_EQ(p->getPeptideEnd(i), full.end);
        EXPECT_EQ(p->getPeptideMultiplicity(i), full.multiplicity);
        EXPECT_EQ(p->getPeptideResidueBefore(i), full.residueBefore);
        EXPECT_EQ(p->getPeptideResidueAfter(i), full.residueAfter);
        ++compared;
      }
    }
    EXPECT_GT(compared, 100);
    // The damage reaches the full reader, which records it.
    EXPECT_EQ(file.getNumberOfErrors() > 0, damage);
  }
}

TEST(SummaryWays, FingerprintSummariesScoreAlikeBothWays) {
  qvgen::Options o;
  o.type = qvgen::SearchType::Pmf;
  o.queries = 200;
  o.hits = 15;
  o.proteins = 40;
  ScratchDir dir;
  const std::string path = dir.write("p.dat", qvgen::resultsText(o));
  std::string texts[2];
  for (bool fast : {false, true}) {
    qv_summary_tuning tuning;
    tuning.scoresInStoreOrder = fast;
    tuning.twoPartsMinItems = fast ? 0 : SIZE_MAX;
    qv_resultsfile file(path);
    qv_proteinsummary s(file, 0x1, 0.0, 50, std::nullopt, std::nullopt, tuning);
    texts[fast] = describe(s, file);
  }
  EXPECT_EQ(firstDifference(texts[1], texts[0]), "");
}

}  // namespace
