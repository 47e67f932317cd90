// The fast match reader against the full readers: whatever the fast reader
// accepts it must read exactly as they do, without their having anything to
// record; what it refuses goes to them. Checked on hand-picked values and on
// thousands of values damaged at random from well-formed ones.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results/peptide_scan.h"
#include "results/peptide_string.h"
#include "results/peptide_test_source.h"

namespace {

using qvpeptidetest::MapSource;

const std::string kValue =
    "1,2379.028483,-0.032969,11,IQFCDENPGELANSGNDEKDK,54,00000000000000000000000,56.62,0000002000020000000,0,0;"
    "\"SYN00004\":0:663:683:1,\"SYN00027\":-2:196:215:3";
const std::string kTerms = "R,P:K,-";

// Compares the fast reading of (value, terms) with the full readers'; false
// when the fast reader refused the value or its list.
bool agrees(const std::string& value, const std::string& terms, bool& listAccepted) {
  listAccepted = false;
  qv_query_rank_scan scan;
  if (value.empty() || !qv_scanQueryRankValue(value, scan)) return false;
  MapSource source;
  source.values["q3_p2"] = value;
  if (!terms.empty()) source.values["q3_p2_terms"] = terms;
  qv_query_rank_read full = qv_readQueryRankPeptide(source, 3, 2);
  EXPECT_TRUE(source.codes().empty()) << value;
  if (!full.peptide) {
    ADD_FAILURE() << "accepted what the full reader cannot read: " << value;
    return true;
  }
  EXPECT_EQ(scan.noMatch, full.peptide->isNoMatch()) << value;
  EXPECT_EQ(scan.ionsScore, full.peptide->getIonsScore()) << value;
  EXPECT_EQ(scan.sequence, full.peptide->getPeptideStr()) << value;
  EXPECT_EQ(scan.varMods, full.peptide->getVarModsStr()) << value;
  EXPECT_EQ(scan.proteinList, full.proteinList) << value;
  if (qv_proteinListIsBlank(scan.proteinList)) return true;
  std::vector<qv_protein_scan> fast;
  if (!qv_scanProteinList(scan.proteinList, terms, fast)) return true;
  listAccepted = true;
  std::vector<qv_protein_reference> refs = qv_readProteinList(source, 3, 2, full.proteinList);
  EXPECT_TRUE(source.codes().empty()) << value << " / " << terms;
  EXPECT_EQ(fast.size(), refs.size()) << value << " / " << terms;
  for (size_t i = 0; i < fast.size() && i < refs.size(); ++i) {
    EXPECT_EQ(fast[i].accession, refs[i].accession) << value;
    EXPECT_EQ(fast[i].frame, refs[i].frame) << value;
    EXPECT_EQ(fast[i].start, refs[i].start) << value;
    EXPECT_EQ(fast[i].end, refs[i].end) << value;
    EXPECT_EQ(fast[i].multiplicity, refs[i].multiplicity) << value;
    EXPECT_EQ(fast[i].residueBefore, refs[i].residueBefore) << value << " / " << terms;
    EXPECT_EQ(fast[i].residueAfter, refs[i].residueAfter) << value << " / " << terms;
  }
  return true;
}

TEST(PeptideScanTest, ReadsAWellFormedMatchAsTheFullReaderDoes) {
  bool list = false;
  EXPECT_TRUE(agrees(kValue, kTerms, list));
  EXPECT_TRUE(list);
  qv_query_rank_scan scan;
  ASSERT_TRUE(qv_scanQueryRankValue(kValue, scan));
  EXPECT_EQ(scan.sequence, "IQFCDENPGELANSGNDEKDK");
  EXPECT_DOUBLE_EQ(scan.ionsScore, 56.62);
  std::vector<qv_protein_scan> proteins;
  ASSERT_TRUE(qv_scanProteinList(scan.proteinList, kTerms, proteins));
  ASSERT_EQ(proteins.size(), 2u);
  EXPECT_EQ(proteins[1].accession, "SYN00027");
  EXPECT_EQ(proteins[1].frame, -2);
  EXPECT_EQ(proteins[1].multiplicity, 3);
  EXPECT_EQ(proteins[1].residueBefore, 'K');
  EXPECT_EQ(proteins[1].residueAfter, '-');
  // Without "_terms" the residues are unknown, and nothing is wrong.
  EXPECT_TRUE(agrees(kValue, "", list));
  EXPECT_TRUE(list);
  // The no-match value, and a value without protein list.
  EXPECT_TRUE(agrees("-1", "", list));
  EXPECT_TRUE(agrees("-1,0,0,0,,0,,0,,0,0", "", list));
  EXPECT_TRUE(agrees("0,1.5,0.1,2,PEPK,3,000000,12.5,000,0,0", "", list));
}

TEST(PeptideScanTest, LeavesToTheFullReaderWhatItMightReadDifferently) {
  qv_query_rank_scan scan;
  // Ten fields: the full reader records error 7.
  EXPECT_FALSE(qv_scanQueryRankValue("0,1.5,0.1,2,PEPK,3,000000,12.5,000,0", scan));
  // A field led by a blank or a quote is split otherwise.
  EXPECT_FALSE(qv_scanQueryRankValue("0,1.5,0.1,2, PEPK,3,000000,12.5,000,0,0;", scan));
  EXPECT_FALSE(qv_scanQueryRankValue("0,1.5,0.1,2,\"PEPK\",3,000000,12.5,000,0,0;", scan));
  std::vector<qv_protein_scan> proteins;
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"\"\":0:1:4:1", ""},             // empty accession: warning 17
      {"\"A\":0:1:4", ""},              // a number missing: error 8
      {"\"A\":0:1:4:1", "K"},           // a "_terms" pair too short: warning 29
      {"\"A\":0:1:4:1,\"B\":0:1:4:1", "K,L"},  // the pairs run out
      {"A:0:1:4:1", ""},                // not quoted
      {"\"A:B\":0:1:4:1", ""},          // a colon inside the quotes
      {" \"A\":0:1:4:1", ""},           // led by a blank
  };
  for (const auto& [list, terms] : refused) EXPECT_FALSE(qv_scanProteinList(list, terms, proteins)) << list;
}

TEST(PeptideScanTest, DamagedValuesAreReadAsTheFullReaderReadsThemOrRefused) {
  std::mt19937 random(20261206);
  const std::string alphabet = ",;:\" \t-0123456789.AKR";
  int accepted = 0, listsAccepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string value = kValue;
    std::string terms = kTerms;
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits; ++e) {
      std::string& target = random() % 4 == 0 ? terms : value;
      const size_t at = target.empty() ? 0 : random() % target.size();
      switch (random() % 3) {
        case 0:
          target.insert(at, 1, alphabet[random() % alphabet.size()]);
          break;
        case 1:
          if (!target.empty()) target.erase(at, 1);
          break;
        default:
          target.resize(at);
          break;
      }
    }
    bool list = false;
    if (agrees(value, terms, list)) ++accepted;
    if (list) ++listsAccepted;
    if (HasFailure()) break;
  }
  // Most damage lands in a number or a name, which both read alike.
  EXPECT_GT(accepted, 5000);
  EXPECT_GT(listsAccepted, 2000);
}

// The sixteen-byte split against the byte-by-byte one: values built of
// fields of every length (so that each separator falls at every place of a
// sixteen-byte step), damaged at random with separators, blanks and quotes,
// and cut short.
TEST(PeptideScanTest, FastSplitAgreesWithThePlainSplit) {
  std::mt19937 random(7);
  const std::string alphabet = ",,,;;\" \t-0AK";
  int accepted = 0;
  for (int round = 0; round < 30000; ++round) {
    std::string value;
    const int fields = 9 + static_cast<int>(random() % 4);
    for (int f = 0; f < fields; ++f) {
      if (f > 0) value += f == 11 ? ';' : ',';
      value.append(random() % 19, static_cast<char>('A' + f));
    }
    if (random() % 2 == 0) value += ";\"SYN1\":0:1:4:1,\"SYN2\":0;:2";
    for (int e = static_cast<int>(random() % 4); e > 0; --e) {
      const size_t at = value.empty() ? 0 : random() % value.size();
      if (random() % 5 == 0)
        value.resize(at);
      else
        value.insert(at, 1, alphabet[random() % alphabet.size()]);
    }
    std::string_view fast[11], plain[11], fastList, plainList;
    const bool fastOk = qv_scanQueryRankFields(value, fast, fastList);
    ASSERT_EQ(fastOk, qv_scanQueryRankFieldsPlain(value, plain, plainList)) << value;
    if (!fastOk) continue;
    ++accepted;
    for (int f = 0; f < 11; ++f) {
      // The same bytes of the value, not only equal texts.
      ASSERT_EQ(fast[f].data(), plain[f].data()) << value << " field " << f;
      ASSERT_EQ(fast[f].size(), plain[f].size()) << value << " field " << f;
    }
    ASSERT_EQ(fastList.data(), plainList.data()) << value;
    ASSERT_EQ(fastList.size(), plainList.size()) << value;
  }
  EXPECT_GT(accepted, 5000);
}

}  // namespace
