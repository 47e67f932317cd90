// Generated results files of both dialects and both search types, read back
// and compared with the model they were made from.
#include <gtest/gtest.h>

#include <cmath>

#include "results/qv_inputquery.h"
#include "results/qv_resultsfile.h"
#include "results/results_test_util.h"
#include "results/section_cursor.h"
#include "tools/genresults/gen_model.h"
#include "tools/genresults/gen_writer.h"

namespace {

struct Case {
  qvgen::Dialect dialect;
  qvgen::SearchType type;
  bool crlf;
  size_t chunk;
  int queries = 120;  // 3000 makes a file of about 18 MB, read ahead on a second thread
};

class GeneratedFile : public ::testing::TestWithParam<Case> {};

INSTANTIATE_TEST_SUITE_P(
    Files, GeneratedFile,
    ::testing::Values(Case{qvgen::Dialect::Mime, qvgen::SearchType::MsMs, false, qv_resultsfile::kDefaultChunkSize},
                      Case{qvgen::Dialect::Bracket, qvgen::SearchType::MsMs, true, qv_resultsfile::kDefaultChunkSize},
                      Case{qvgen::Dialect::Mime, qvgen::SearchType::MsMs, true, 20000},
                      Case{qvgen::Dialect::Bracket, qvgen::SearchType::MsMs, false, 9000},
                      Case{qvgen::Dialect::Mime, qvgen::SearchType::Pmf, false, qv_resultsfile::kDefaultChunkSize},
                      Case{qvgen::Dialect::Bracket, qvgen::SearchType::Pmf, true, 5000},
                      Case{qvgen::Dialect::Mime, qvgen::SearchType::MsMs, false, qv_resultsfile::kDefaultChunkSize,
                           3000},
                      Case{qvgen::Dialect::Bracket, qvgen::SearchType::MsMs, true, 3000, 3000}));

TEST_P(GeneratedFile, ReadsBackTheModel) {
  const Case c = GetParam();
  qvgen::Options options;
  options.dialect = c.dialect;
  options.type = c.type;
  options.crlf = c.crlf;
  options.queries = c.queries;
  options.proteins = 30;
  options.peaks = c.queries > 1000 ? 300 : 150;
  options.seed = 11;
  qvresultstest::ScratchDir dir;
  const std::string path = dir.write("gen.dat", qvgen::resultsText(options));

  qv_resultsfile f(path, 0, "", c.chunk);
  ASSERT_TRUE(f.isValid()) << f.getLastErrorString();
  EXPECT_EQ(f.getNumberOfErrors(), 0) << f.getLastErrorString();
  EXPECT_EQ(f.isBracketDialect(), c.dialect == qvgen::Dialect::Bracket);
  ASSERT_EQ(f.getNumQueries(), c.queries);
  const bool pmf = c.type == qvgen::SearchType::Pmf;
  EXPECT_EQ(f.isPMF(), pmf);
  EXPECT_EQ(f.isMSMS(), !pmf);
  EXPECT_EQ(f.anyMSMS(), !pmf);

  const auto proteins = qvgen::makeProteins(options);
  qv_resultsfile::SectionCursor masses = f.sectionCursor(SEC_SUMMARY);
  qv_resultsfile::SectionCursor charges = f.sectionCursor(SEC_SUMMARY);
  for (int q = 1; q <= f.getNumQueries(); ++q) {
    const qvgen::QueryModel model = qvgen::makeQuery(options, proteins, q);
    EXPECT_NEAR(f.getObservedMass(q), model.mz, 1e-5) << q;
    EXPECT_EQ(f.getObservedMass(q, masses), f.getObservedMass(q)) << q;
    EXPECT_EQ(f.getObservedCharge(q), model.charge) << q;
    EXPECT_EQ(f.getObservedCharge(q, charges), model.charge) << q;
    const qv_inputquery query(f, q);
    EXPECT_EQ(query.getTitle(), "Spectrum " + std::to_string(q) + " scans: " + std::to_string(1000 + 3 * q));
    const std::string description = f.getQueryDescription(q);
    EXPECT_TRUE(description.starts_with(f.getSectionValueStr(SEC_SUMMARY, "qmass" + std::to_string(q)) + " from("));
    EXPECT_EQ(description.ends_with(" query(" + std::to_string(q) + ")"), !pmf) << description;
    if (pmf) continue;
    const auto expected = qvgen::makePeaks(options, model);
    const auto peaks = query.getIons(1);
    ASSERT_EQ(peaks.size(), expected.size()) << q;
    EXPECT_EQ(query.getNumVals(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < peaks.size(); ++i) {
      EXPECT_NEAR(peaks[i].first, expected[i].first, 1e-4);
      EXPECT_NEAR(peaks[i].second, expected[i].second, 0.5 + 1e-9);
    }
  }
  EXPECT_EQ(f.getNumberOfErrors(), 0) << f.getLastErrorString();
}

}  // namespace
