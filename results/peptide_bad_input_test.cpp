// Damaged files through the container and the peptide readers: duplicate
// keys, truncated files, queries and ranks out of range. Each gives the
// documented errors or absent results; the sanitizer builds catch any read
// past a block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/peptide_companions.h"
#include "results/peptide_string.h"
#include "results/qv_resultsfile.h"
#include "results/results_test_util.h"
#include "tools/genresults/gen_writer.h"

namespace {

using qvresultstest::SectionText;

// Reads every match and companion of a file, including numbers out of
// range; returns how many peptides came back.
int readEverything(const qv_resultsfile& file, int queries) {
  qv_resultsfile_peptide_source qr(file, qv_peptide_form::QUERY_RANK);
  qv_resultsfile_peptide_source hq(file, qv_peptide_form::HIT_QUERY);
  int found = 0;
  for (int q = -1; q <= queries + 1; ++q) {
    for (int p = 0; p <= 11; ++p) {
      qv_query_rank_read r = qv_readQueryRankPeptide(qr, q, p);
      if (r.peptide != nullptr) {
        ++found;
        EXPECT_TRUE(r.peptide->isNoMatch() || !r.peptide->getPeptideStr().empty());
        (void)qv_readProteinList(qr, q, p, r.proteinList);
      }
      (void)qv_getTagField(qr, qv_peptide_form::QUERY_RANK, q, p, 1, 2);
      (void)qv_getDeltaRangeEnd(qr, qv_peptide_form::QUERY_RANK, q, p);
      (void)qv_getErrTolMod(qr, qv_peptide_form::QUERY_RANK, q, p);
      if (p <= 4) found += qv_readHitQueryPeptide(hq, p, q).peptide != nullptr;
    }
  }
  return found;
}

std::vector<SectionText> withPeptideLines(std::vector<std::string> lines) {
  std::vector<SectionText> sections = qvresultstest::sampleSections(2);
  for (SectionText& s : sections)
    if (s.name == "peptides") s.lines = std::move(lines);
  return sections;
}

TEST(PeptideBadInputTest, DuplicateKeyKeepsTheFirstValue) {
  qvresultstest::ScratchDir dir;
  std::string text = qvresultstest::buildResultsFile(
      withPeptideLines({"q1_p1=0,1000.5,0.01,5,FIRSTK,10,00000000,35.5,000,0,0;\"A\":0:1:6:1",
                        "Q1_P1=0,1000.5,0.01,5,SECONDK,10,000000000,35.5,000,0,0;\"B\":0:1:7:1"}),
      false);
  qv_resultsfile file(dir.write("dup.dat", text));
  qv_resultsfile_peptide_source src(file, qv_peptide_form::QUERY_RANK);
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 1, 1);
  ASSERT_NE(r.peptide, nullptr);
  EXPECT_EQ(r.peptide->getPeptideStr(), "FIRSTK");
  EXPECT_EQ(file.getLastError(), 24);
  EXPECT_TRUE(file.isValid());
}

TEST(PeptideBadInputTest, ErrorsLandInTheFilesListWithTheirValidity) {
  qvresultstest::ScratchDir dir;
  std::string text = qvresultstest::buildResultsFile(
      withPeptideLines(
          {"q1_p1=0,1000.5,0.01,5,PEPK,10,000000,35.5,000,0,0;\"\":0:1:4:1", "q1_p1_terms=K", "q2_p1=0,1000.5"}),
      true);
  qv_resultsfile file(dir.write("bad.dat", text));
  ASSERT_TRUE(file.isValid()) << file.getLastErrorString();
  qv_resultsfile_peptide_source src(file, qv_peptide_form::QUERY_RANK);
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 1, 1);
  ASSERT_NE(r.peptide, nullptr);
  EXPECT_NEAR(r.peptide->getObserved(), 501.25, 1e-9);  // the query's qexp
  EXPECT_EQ(r.peptide->getObsCharge(), 2);
  EXPECT_EQ(qv_readProteinList(src, 1, 1, r.proteinList).size(), 1u);
  EXPECT_EQ(file.getErrorNumber(1), 29);
  EXPECT_EQ(file.getErrorNumber(2), 17);
  EXPECT_TRUE(file.isValid());  // warnings only
  EXPECT_EQ(qv_readQueryRankPeptide(src, 2, 1).peptide, nullptr);
  EXPECT_EQ(file.getLastErrorString(), "Could not parse delta from peptide string for q:2, p:1");
  EXPECT_FALSE(file.isValid());
}

TEST(PeptideBadInputTest, TruncatedGeneratedFilesNeverBreakTheReaders) {
  qvgen::Options o;
  o.queries = 8;
  o.proteins = 8;
  o.peaks = 10;
  o.ranks = 3;
  o.errorTolerant = true;
  for (qvgen::Dialect dialect : {qvgen::Dialect::Mime, qvgen::Dialect::Bracket}) {
    o.dialect = dialect;
    const std::string full = qvgen::resultsText(o);
    qvresultstest::ScratchDir dir;
    int whole = 0;
    {
      qv_resultsfile file(dir.write("full.dat", full));
      whole = readEverything(file, o.queries);
      EXPECT_GT(whole, o.queries);
    }
    for (size_t cut = 0; cut < full.size(); cut += full.size() / 97 + 1) {
      SCOPED_TRACE(cut);
      qv_resultsfile file(dir.write("cut.dat", full.substr(0, cut)));
      EXPECT_LE(readEverything(file, std::max(0, file.getNumQueries())), whole);
    }
  }
}

}  // namespace
