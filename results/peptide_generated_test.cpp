// Generated results files read back through the container and the peptide
// readers: every match the generator wrote must come back as it was made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/peptide_companions.h"
#include "results/peptide_string.h"
#include "results/qv_resultsfile.h"
#include "results/results_test_util.h"
#include "tools/genresults/gen_model.h"
#include "tools/genresults/gen_writer.h"

namespace {

struct Variant {
  qvgen::Dialect dialect;
  bool crlf;
};

void checkMsMsFile(const qvgen::Options& o) {
  qvresultstest::ScratchDir dir;
  qv_resultsfile file(dir.write("gen.dat", qvgen::resultsText(o)));
  ASSERT_TRUE(file.isValid()) << file.getLastErrorString();
  ASSERT_EQ(file.getNumQueries(), o.queries);
  qv_resultsfile_peptide_source src(file, qv_peptide_form::QUERY_RANK);
  std::vector<qvgen::Protein> proteins = qvgen::makeProteins(o);
  int matches = 0, shared = 0;
  for (int q = 1; q <= o.queries; ++q) {
    qvgen::QueryModel model = qvgen::makeQuery(o, proteins, q);
    if (model.ranks.empty()) {
      qv_query_rank_read none = qv_readQueryRankPeptide(src, q, 1);
      ASSERT_NE(none.peptide, nullptr);
      EXPECT_TRUE(none.peptide->isNoMatch());
      EXPECT_NEAR(none.peptide->getObserved(), model.mz, 1e-5);
      continue;
    }
    for (size_t i = 0; i < model.ranks.size(); ++i) {
      const qvgen::PeptideMatch& m = model.ranks[i];
      int p = static_cast<int>(i) + 1;
      qv_query_rank_read r = qv_readQueryRankPeptide(src, q, p);
      ASSERT_NE(r.peptide, nullptr) << "q" << q << " p" << p;
      EXPECT_EQ(r.peptide->getPeptideStr(), m.sequence);
      EXPECT_EQ(r.peptide->getMissedCleavages(), m.missed);
      EXPECT_NEAR(r.peptide->getMrCalc(), m.mrCalc, 1e-6);
      EXPECT_NEAR(r.peptide->getDelta(), m.delta, 1e-6);
      EXPECT_NEAR(r.peptide->getIonsScore(), m.score, 0.006);
      EXPECT_EQ(r.peptide->getObsCharge(), model.charge);
      std::vector<qv_protein_reference> refs = qv_readProteinList(src, q, p, r.proteinList);
      ASSERT_EQ(refs.size(), m.refs.size());
      for (size_t k = 0; k < refs.size(); ++k) {
        EXPECT_EQ(refs[k].accession, proteins[static_cast<size_t>(m.refs[k].protein)].accession);
        EXPECT_EQ(refs[k].start, m.refs[k].start);
        EXPECT_EQ(refs[k].end, m.refs[k].end);
        EXPECT_EQ(refs[k].residueBefore, m.refs[k].before);
        EXPECT_EQ(refs[k].residueAfter, m.refs[k].after);
      }
      shared += refs.size() > 1;
      ++matches;
    }
    EXPECT_EQ(qv_readQueryRankPeptide(src, q, static_cast<int>(model.ranks.size()) + 1).peptide, nullptr);
    // The error-tolerant companions the generator writes read back cleanly.
    qv_errtol_mod mod = qv_getErrTolMod(src, qv_peptide_form::QUERY_RANK, q, 1);
    if (!mod.name.empty()) {
      EXPECT_EQ(mod.name, "Deamidation (NQ)");
    }
  }
  EXPECT_GT(matches, o.queries);
  EXPECT_GT(shared, 0);  // families of proteins share peptides
  EXPECT_EQ(file.getNumberOfErrors(), 0) << file.getLastErrorString();
}

TEST(GeneratedPeptidesTest, MsMsMatchesReadBackInEveryLayout) {
  for (Variant v : {Variant{qvgen::Dialect::Mime, false}, Variant{qvgen::Dialect::Bracket, false},
                    Variant{qvgen::Dialect::Mime, true}, Variant{qvgen::Dialect::Bracket, true}}) {
    SCOPED_TRACE(testing::Message() << "bracket=" << (v.dialect == qvgen::Dialect::Bracket) << " crlf=" << v.crlf);
    qvgen::Options o;
    o.dialect = v.dialect;
    o.crlf = v.crlf;
    o.queries = 40;
    o.proteins = 15;
    o.peaks = 25;
    o.ranks = 4;
    o.seed = 11;
    o.errorTolerant = true;
    checkMsMsFile(o);
  }
}

TEST(GeneratedPeptidesTest, PmfHitPeptidesReadBack) {
  qvgen::Options o;
  o.type = qvgen::SearchType::Pmf;
  o.dialect = qvgen::Dialect::Bracket;
  o.queries = 60;
  o.proteins = 20;
  o.hits = 6;
  o.seed = 3;
  qvresultstest::ScratchDir dir;
  qv_resultsfile file(dir.write("pmf.dat", qvgen::resultsText(o)));
  ASSERT_TRUE(file.isValid()) << file.getLastErrorString();
  ASSERT_TRUE(file.isPMF());
  ASSERT_FALSE(file.anyMSMS());
  qv_resultsfile_peptide_source src(file, qv_peptide_form::HIT_QUERY);
  std::vector<qvgen::Protein> proteins = qvgen::makeProteins(o);
  int read = 0;
  ASSERT_GT(file.getNumHits(), 0);
  for (int h = 1; h <= file.getNumHits(); ++h) {
    std::string hit = file.getSectionValueStr(SEC_SUMMARY, "h" + std::to_string(h));
    std::string accession = hit.substr(0, hit.find(','));
    for (int q = 1; q <= o.queries; ++q) {
      qv_hit_query_read r = qv_readHitQueryPeptide(src, h, q);
      if (r.peptide == nullptr) continue;
      qvgen::QueryModel model = qvgen::makeQuery(o, proteins, q);
      ASSERT_FALSE(model.ranks.empty());
      const qvgen::PeptideMatch& m = model.ranks[0];
      EXPECT_EQ(r.peptide->getPeptideStr(), m.sequence);
      bool found = false;
      for (const qvgen::ProteinRef& ref : m.refs) {
        if (proteins[static_cast<size_t>(ref.protein)].accession != accession) continue;
        found = true;
        EXPECT_EQ(r.start, ref.start);
        EXPECT_EQ(r.end, ref.end);
        EXPECT_EQ(r.residueBefore, ref.before);
        EXPECT_EQ(r.residueAfter, ref.after);
      }
      EXPECT_TRUE(found) << "h" << h << " q" << q;
      EXPECT_EQ(r.multiplicity, 1);
      ++read;
    }
  }
  EXPECT_GT(read, 0);
  EXPECT_EQ(file.getNumberOfErrors(), 0) << file.getLastErrorString();
}

}  // namespace
