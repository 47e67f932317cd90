// Summaries of generated files, checked against the generator's model: every
// match of every query is in the peptide table, every protein it names holds
// it, and every peptide of every protein hit of a fingerprint file belongs to
// that hit. The grouping index is checked against the pairwise walk on files
// whose protein families share most of their peptides.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "summary/qv_peptidesummary.h"
#include "summary/qv_proteinsummary.h"
#include "summary/summary_grouping.h"
#include "summary/summary_test_util.h"
#include "tools/genresults/gen_model.h"
#include "tools/genresults/gen_writer.h"

namespace {

using qvsummarytest::ScratchDir;

qvgen::Options msmsOptions(int queries, int proteins, uint64_t seed) {
  qvgen::Options o;
  o.queries = queries;
  o.proteins = proteins;
  o.peaks = 5;
  o.ranks = 5;
  o.seed = seed;
  return o;
}

// (query, rank, start, end) of a reference.
using Place = std::tuple<int, int, int, int>;

TEST(SummaryGenerated, EveryMatchOfTheModelIsInThePeptideSummary) {
  for (uint64_t seed : {1u, 7u}) {
    const qvgen::Options o = msmsOptions(400, 60, seed);
    ScratchDir dir;
    qv_resultsfile file(dir.write("g.dat", qvgen::resultsText(o)));
    ASSERT_TRUE(file.isValid()) << file.getLastErrorString();
    qv_peptidesummary s(file, 0, 0.0, 999999, std::nullopt, 0.0, 0, std::nullopt);
    const std::vector<qvgen::Protein> proteins = qvgen::makeProteins(o);
    std::map<std::string, std::multiset<Place>> expected;
    for (int q = 1; q <= o.queries; ++q) {
      const qvgen::QueryModel model = qvgen::makeQuery(o, proteins, q);
      const qv_peptide* p = nullptr;
      if (model.ranks.empty()) {
        ASSERT_TRUE(s.getPeptide(q, 1, p));
        EXPECT_TRUE(p->isNoMatch());
        continue;
      }
      for (size_t r = 0; r < model.ranks.size(); ++r) {
        const qvgen::PeptideMatch& m = model.ranks[r];
        const int rank = static_cast<int>(r) + 1;
        ASSERT_TRUE(s.getPeptide(q, rank, p)) << q << " " << rank;
        EXPECT_EQ(p->getPeptideStr(), m.sequence);
        EXPECT_DOUBLE_EQ(p->getIonsScore(), m.score);
        // Cut-off 0: the proteins of matches scoring above 0 are read.
        EXPECT_EQ(p->getNumProteins(), m.score > 0 ? static_cast<int>(m.refs.size()) : 0);
        if (!(m.score > 0)) continue;
        for (const qvgen::ProteinRef& ref : m.refs)
          expected[proteins[static_cast<size_t>(ref.protein)].accession].insert({q, rank, ref.start, ref.end});
      }
    }
    // Without grouping nothing is removed: each protein holds exactly its matches.
    EXPECT_EQ(s.getNumberOfProteins(), static_cast<int>(expected.size()));
    for (const auto& [accession, places] : expected) {
      const qv_protein* protein = s.getProtein(accession);
      ASSERT_NE(protein, nullptr) << accession;
      std::multiset<Place> found;
      for (int i = 1; i <= protein->getNumPeptides(); ++i)
        found.insert({protein->getPeptideQuery(i), protein->getPeptideP(i), protein->getPeptideStart(i),
                      protein->getPeptideEnd(i)});
      EXPECT_EQ(found, places) << accession;
    }
  }
}

TEST(SummaryGenerated, GroupedProteinsHangUnderNumberedHits) {
  const qvgen::Options o = msmsOptions(600, 400, 3);
  ScratchDir dir;
  qv_resultsfile file(dir.write("g.dat", qvgen::resultsText(o)));
  qv_peptidesummary s(file, 1, 0.0, 999999, std::nullopt, 0.0, 0, std::nullopt);
  std::set<std::string> hits;
  for (int n = 1; n <= s.getNumberOfHits(); ++n) hits.insert(s.getHit(n)->getAccession());
  int grouped = 0;
  for (const qv_protein* p : s.getOrderedProteins()) {
    if (p->getStatus() == qv_protein::INDEPENDENT) {
      EXPECT_TRUE(hits.count(p->getAccession())) << p->getAccession();
    } else {
      ++grouped;
      EXPECT_TRUE(hits.count(p->getGroupLeaderAccession())) << p->getAccession();
    }
  }
  EXPECT_GT(grouped, 0);  // the families share peptides
  int listed = 0;
  for (int n = 1; n <= s.getNumberOfHits(); ++n) listed += s.getNumberOfGroupedProteins(n);
  EXPECT_EQ(listed, grouped);
}

TEST(SummaryGenerated, EveryPeptideOfEveryFingerprintHitBelongsToIt) {
  qvgen::Options o;
  o.type = qvgen::SearchType::Pmf;
  o.queries = 120;
  o.hits = 12;
  o.proteins = 40;
  ScratchDir dir;
  qv_resultsfile file(dir.write("p.dat", qvgen::resultsText(o)));
  ASSERT_TRUE(file.isValid()) << file.getLastErrorString();
  qv_proteinsummary s(file, 7, 0.0, 50, std::nullopt, std::nullopt);
  const std::vector<qvgen::Protein> proteins = qvgen::makeProteins(o);
  ASSERT_EQ(file.getNumHits(), 12);
  int mixtures = 0;
  for (const qv_protein* p : s.getOrderedProteins()) {
    if (p->isMixture()) {
      ++mixtures;
      continue;
    }
    // The hit line's last field is its number of matched queries.
    std::string line = file.getSectionValueStr(SEC_SUMMARY, "h" + std::to_string(p->getHitNumber()));
    EXPECT_EQ(std::to_string(p->getNumPeptides()), line.substr(line.rfind(',') + 1)) << p->getAccession();
    for (int i = 1; i <= p->getNumPeptides(); ++i) {
      const qvgen::QueryModel model = qvgen::makeQuery(o, proteins, p->getPeptideQuery(i));
      ASSERT_FALSE(model.ranks.empty());
      bool found = false;
      for (const qvgen::ProteinRef& ref : model.ranks[0].refs)
        found |= proteins[static_cast<size_t>(ref.protein)].accession == p->getAccession() &&
                 ref.start == p->getPeptideStart(i) && ref.end == p->getPeptideEnd(i);
      EXPECT_TRUE(found) << p->getAccession() << " query " << p->getPeptideQuery(i);
    }
  }
  EXPECT_EQ(mixtures, 1);
  EXPECT_EQ(s.getNumberOfHits(), static_cast<int>(s.getOrderedProteins().size()));
  EXPECT_TRUE(s.getHit(1)->isMixture());
}

// Runs both groupings on the same hit list and compares status and leader.
void expectSameGrouping(const std::vector<qv_protein*>& hits, const qv_grouping::Settings& settings) {
  auto reset = [&] {
    for (qv_protein* p : hits) p->setGrouped(qv_protein::INDEPENDENT, "");
  };
  reset();
  size_t indexedEnd = qv_grouping::groupProteins(hits, settings);
  std::vector<std::pair<int, std::string>> indexed;
  int grouped = 0;
  for (const qv_protein* p : hits) {
    indexed.emplace_back(p->getStatus(), p->getGroupLeaderAccession());
    grouped += p->getStatus() != qv_protein::INDEPENDENT;
  }
  reset();
  size_t pairwiseEnd = qv_grouping::groupProteinsPairwise(hits, settings);
  EXPECT_EQ(indexedEnd, pairwiseEnd);
  for (size_t i = 0; i < hits.size(); ++i) {
    EXPECT_EQ(hits[i]->getStatus(), indexed[i].first) << hits[i]->getAccession();
    EXPECT_EQ(hits[i]->getGroupLeaderAccession(), indexed[i].second) << hits[i]->getAccession();
  }
  EXPECT_GT(grouped, 0);
}

TEST(SummaryGenerated, GroupingThroughTheIndexEqualsThePairwiseWalk) {
  const qvgen::Options o = msmsOptions(3000, 1500, 11);
  ScratchDir dir;
  qv_resultsfile file(dir.write("g.dat", qvgen::resultsText(o)));
  qv_peptidesummary s(file, 0x41, 0.0, 999999, std::nullopt, 0.0, 0, std::nullopt);
  const std::vector<qv_protein*>& hits = s.getOrderedProteins();
  ASSERT_GT(hits.size(), 500u);
  qv_grouping::Settings base = s.getGroupingSettings();
  base.limitWalk = false;
  qv_grouping::Settings settings = base;
  expectSameGrouping(hits, settings);
  settings.minPeptideLength = 9;
  expectSameGrouping(hits, settings);
  settings.byQuery = true;
  expectSameGrouping(hits, settings);
  settings = base;
  settings.limitWalk = true;
  settings.maxHits = 120;
  settings.minScore = 30;
  expectSameGrouping(hits, settings);
}

}  // namespace
