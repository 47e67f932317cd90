// The Options section reader: value kinds, defaults and rules for bad values.
#include "config/qv_options.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/process.h"
#include "testsupport/server_tree.h"

namespace {

// Reads `body` as the lines of an Options section (an "end" line is added).
struct Read {
  qv_options o;
  qv_errors e;
  explicit Read(const std::string& body) {
    qv_config_lines lines(body + "end\n");
    o.readSection(lines, "tarnel.dat", e);
  }
  int count(int number) const {
    int n = 0;
    for (int i = 1; i <= e.getNumberOfErrors(); ++i) {
      if (e.getErrorNumber(i) == number) n += 1 + e.getErrorRepeats(i);  // folded repeats count too
    }
    return n;
  }
};

TEST(Options, DefaultsWhenTheSectionIsEmpty) {
  Read r("");
  EXPECT_TRUE(r.o.isSectionAvailable());
  EXPECT_FALSE(qv_options().isSectionAvailable());
  EXPECT_EQ(r.o.getErrorLogFile(), "../logs/errorlog.txt");
  EXPECT_EQ(r.o.getMaxNumPeptides(), 12500);
  EXPECT_EQ(r.o.getReviewColWidth(5), 100);
  EXPECT_EQ(r.o.getNumberOfIgnoreDupeAccessions(), 1);
  EXPECT_EQ(r.o.getIgnoreDupeAccession(0), "EST_others");
  EXPECT_EQ(r.o.getGetSeqBlastAccessionDelimiter2(), "| ");
  EXPECT_EQ(r.o.getUnixDirPerm(), 0777u);
  EXPECT_EQ(r.e.getNumberOfErrors(), 0);
}

TEST(Options, MaxSequenceLenSetsMaxNumPeptidesAndAZeroFallsBackToIt) {
  Read r("MaxSequenceLen 1000\n");
  EXPECT_EQ(r.o.getMaxNumPeptides(), 250);
  Read r2("MaxSequenceLen 1000\nMaxNumPeptides 0\n");
  EXPECT_EQ(r2.o.getMaxNumPeptides(), 1000);
  EXPECT_EQ(r2.count(0x606), 1);
  Read r3("MaxSequenceLen -3\n");
  EXPECT_EQ(r3.o.getMaxSequenceLen(), 50000);
  EXPECT_EQ(r3.o.getMaxNumPeptides(), 12500);
  EXPECT_EQ(r3.count(0x606), 1);
}

TEST(Options, SilentCorrections) {
  Read r("MaxQueries 5\nMinPepLenInPepSummary 12\n");
  EXPECT_EQ(r.o.getMaxQueries(), 10);
  EXPECT_EQ(r.o.getMinPepLenInPepSummary(), 5);
  EXPECT_EQ(r.e.getNumberOfErrors(), 0);
}

TEST(Options, IntegerWithoutNumberKeepsTheValueAndChecksIt) {
  Read r("MaxConcurrentSearches 4\nMaxConcurrentSearches\n");
  EXPECT_EQ(r.o.getMaxConcurrentSearches(), 4);
  EXPECT_EQ(r.e.getNumberOfErrors(), 0);
  Read big("MaxQueries 99999999999999\n");
  EXPECT_EQ(big.o.getMaxQueries(), 2147483647);
}

TEST(Options, RangeRulesWarnAndFallBack) {
  Read r("MailTransport 7\nEmailTimeOutPeriod 0\nProteinsInResultsFile 4\nMinPeakIteration 11\n"
         "IgnoreIonsScoreBelow -2.5\nSeparateLockMem -1\n");
  EXPECT_EQ(r.o.getMailTransport(), 2);
  EXPECT_EQ(r.o.getEmailTimeOutPeriod(), 120);
  EXPECT_EQ(r.o.getProteinsInResultsFile(), 2);
  EXPECT_EQ(r.o.getMinPeakIteration(), 1);
  EXPECT_EQ(r.o.getIgnoreIonsScoreBelow(), 0);
  EXPECT_EQ(r.o.getSeparateLockMem(), 0);
  EXPECT_EQ(r.count(0x606), 6);
}

TEST(Options, CentroidWidth) {
  Read none("CentroidWidth 0.5\nCentroidWidth\n");
  EXPECT_DOUBLE_EQ(none.o.getCentroidWidth(), 0.25);
  Read ten("CentroidWidth 0.5\nCentroidWidth 10\n");
  EXPECT_DOUBLE_EQ(ten.o.getCentroidWidth(), 0.5);
  EXPECT_EQ(ten.count(0x606), 1);
  // Read as single precision, then widened.
  Read f("CentroidWidth 0.3\n");
  EXPECT_EQ(f.o.getCentroidWidth(), static_cast<double>(0.3f));
  Read inf("CentroidWidth inf\n");
  EXPECT_DOUBLE_EQ(inf.o.getCentroidWidth(), 0.25);
  EXPECT_EQ(inf.count(0x606), 1);
}

TEST(Options, DecimalPointWhateverTheLocale) {
  // A process locale with a decimal comma, built for this test when the
  // system has none installed.
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  qvtest::ServerTree tree;
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
    qv_platform::ProcessRequest req;
    req.argv = {"localedef", "-i", "de_DE", "-f", "UTF-8", tree.path("de_DE.UTF-8")};
    const auto built = qv_platform::runProcess(req);
    if (!built || !tree.exists("de_DE.UTF-8")) GTEST_SKIP() << "cannot build a locale with a decimal comma";
    setenv("LOCPATH", tree.root().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
  }
  ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
  Read r("CentroidWidth 0.75\nIgnoreIonsScoreBelow 12.5\nPrecursorCutOut 100.5,200.25\n");
  std::setlocale(LC_NUMERIC, previous.c_str());
  unsetenv("LOCPATH");
  EXPECT_DOUBLE_EQ(r.o.getCentroidWidth(), 0.75);
  EXPECT_DOUBLE_EQ(r.o.getIgnoreIonsScoreBelow(), 12.5);
  EXPECT_DOUBLE_EQ(r.o.getPrecursorCutOutLow(), 100.5);
  EXPECT_DOUBLE_EQ(r.o.getPrecursorCutOutHigh(), 200.25);
  EXPECT_EQ(r.e.getNumberOfErrors(), 0);
}

TEST(Options, WordsRestoreTheirDefaultWhenEmpty) {
  Read r("ErrorLogFile /tmp/x y\nErrorLogFile\n");
  EXPECT_EQ(r.o.getErrorLogFile(), "../logs/errorlog.txt");
  EXPECT_EQ(r.count(0x606), 1);
  Read s("ErrorLogFile /var/log/tarnel errors.txt\nEmailService smtp.example.org\nEmailService\n");
  EXPECT_EQ(s.o.getErrorLogFile(), "/var/log/tarnel");
  EXPECT_EQ(s.o.getEmailService(), "");
  EXPECT_EQ(s.e.getNumberOfErrors(), 0);
}

TEST(Options, RestQuotedAndTokenValues) {
  Read r("EmailProfile:  My profile name\nNTIUserGroup\nEmailFromTextName \"Tarnel Server\"\n"
         "TaxBrowserURL http://tax.example.org/x\nICATLight: heavy:x\n");
  EXPECT_EQ(r.o.getEmailProfile(), "My profile name");
  EXPECT_EQ(r.o.getNTIUserGroup(), "Guests");
  EXPECT_EQ(r.count(0x606), 1);
  EXPECT_EQ(r.o.getEmailFromTextName(), "Tarnel Server");
  EXPECT_EQ(r.o.getTaxBrowserURL(), "http");
  EXPECT_EQ(r.o.getICATLight(), "heavy");
  Read longName("EmailFromTextName " + std::string(300, 'n') + "\n");
  EXPECT_EQ(longName.o.getEmailFromTextName().size(), 256u);
}

TEST(Options, EmptyICATFilterGivesC) {
  Read r("ICATFilter\n");
  EXPECT_EQ(r.o.getICATFilter(), "C");
  EXPECT_EQ(r.e.getLastError(), 0x620);
  EXPECT_EQ(r.e.getNumberOfErrors(), 1);
}

TEST(Options, RangeMinimumIsKeptWithoutWarning) {
  Read r("MailTransport 0\nMaxConcurrentSearches 1\nUniqueJobStartNumber 0\n");
  EXPECT_EQ(r.o.getMailTransport(), 0);
  EXPECT_EQ(r.o.getMaxConcurrentSearches(), 1);
  EXPECT_EQ(r.o.getUniqueJobStartNumber(), 0);
  EXPECT_EQ(r.e.getNumberOfErrors(), 0);
  // One below: the fallback and a warning each.
  Read below("MaxConcurrentSearches 0\nUniqueJobStartNumber -1\n");
  EXPECT_EQ(below.o.getMaxConcurrentSearches(), 10);
  EXPECT_EQ(below.o.getUniqueJobStartNumber(), 1);
  EXPECT_EQ(below.count(0x606), 2);
}

TEST(Options, ReviewColWidthsColonIsABadFirstWidth) {
  Read r("ReviewColWidths: 10,20\n");
  EXPECT_EQ(r.o.getReviewColWidth(0), 7);
  EXPECT_EQ(r.o.getReviewColWidth(1), 10);
  EXPECT_EQ(r.o.getReviewColWidth(2), 20);
  EXPECT_EQ(r.o.getReviewColWidth(3), 27);
  EXPECT_EQ(r.count(0x606), 1);
}

TEST(Options, ReviewColWidths) {
  Read r("ReviewColWidths 10,1\n");
  EXPECT_EQ(r.o.getReviewColWidth(0), 10);
  EXPECT_EQ(r.o.getReviewColWidth(1), 8);
  EXPECT_EQ(r.count(0x606), 1);
  // Each line starts again from the defaults.
  Read r2("ReviewColWidths 10 20\nReviewColWidths 30\n");
  EXPECT_EQ(r2.o.getReviewColWidth(0), 30);
  EXPECT_EQ(r2.o.getReviewColWidth(1), 8);
}

TEST(Options, ReportNumberChoices) {
  Read r("ReportNumberChoices 5,AUTO,0\n");
  ASSERT_EQ(r.o.getNumberOfReportNumberChoices(), 3);
  EXPECT_EQ(r.o.getReportNumberChoice(0), 5);
  EXPECT_EQ(r.o.getReportNumberChoice(1), -1);
  EXPECT_EQ(r.o.getReportNumberChoice(2), 10);
  EXPECT_EQ(r.count(0x606), 1);
  Read twice("ReportNumberChoices 5\nReportNumberChoices auto 20\n");
  EXPECT_EQ(twice.o.getNumberOfReportNumberChoices(), 3);
  Read bad("ReportNumberChoices 5 many 7\n");
  EXPECT_EQ(bad.o.getNumberOfReportNumberChoices(), 1);
  EXPECT_EQ(bad.count(0x606), 1);
  Read empty("ReportNumberChoices\n");
  EXPECT_EQ(empty.count(0x606), 1);
}

TEST(Options, PrecursorCutOut) {
  Read swapped("PrecursorCutOut 300,200\n");
  EXPECT_EQ(swapped.o.getPrecursorCutOutLow(), -1);
  EXPECT_EQ(swapped.o.getPrecursorCutOutHigh(), -1);
  EXPECT_EQ(swapped.count(0x606), 1);
  Read single("PrecursorCutOut 200\n");
  EXPECT_EQ(single.count(0x606), 1);
  Read off("PrecursorCutOut 100 200\nPrecursorCutOut -1.005\n");
  EXPECT_EQ(off.o.getPrecursorCutOutHigh(), -1);
  EXPECT_EQ(off.e.getNumberOfErrors(), 0);
  Read set("PrecursorCutOut 100.5\t200\n");
  EXPECT_DOUBLE_EQ(set.o.getPrecursorCutOutLow(), 100.5);
  EXPECT_DOUBLE_EQ(set.o.getPrecursorCutOutHigh(), 200);
  Read junk("PrecursorCutOut 100,abc\n");
  EXPECT_EQ(junk.o.getPrecursorCutOutLow(), -1);
  EXPECT_EQ(junk.count(0x606), 1);
}

TEST(Options, GetSeqBlastAccession) {
  Read r("GetSeqBlastAccession (|),(; ),(4)\n");
  EXPECT_FALSE(r.o.getGetSeqBlastAccessionRegex());
  EXPECT_EQ(r.o.getGetSeqBlastAccessionDelimiter1(), "|");
  EXPECT_EQ(r.o.getGetSeqBlastAccessionDelimiter2(), "; ");
  EXPECT_EQ(r.o.getGetSeqBlastAccessionCount(), 4);
  EXPECT_EQ(r.e.getNumberOfErrors(), 0);
  Read regex("GetSeqBlastAccession regex\n");
  EXPECT_TRUE(regex.o.getGetSeqBlastAccessionRegex());
  Read twoDigits("GetSeqBlastAccession (a),(b),(12)\n");
  EXPECT_EQ(twoDigits.o.getGetSeqBlastAccessionDelimiter1(), "a");
  EXPECT_EQ(twoDigits.o.getGetSeqBlastAccessionCount(), 3);
  EXPECT_EQ(twoDigits.count(0x606), 1);
  Read noParen("GetSeqBlastAccession a),(b),(1)\n");
  EXPECT_EQ(noParen.o.getGetSeqBlastAccessionDelimiter1(), " ");
  EXPECT_EQ(noParen.count(0x606), 1);
  Read oneSep("GetSeqBlastAccession (a),(b)\n");
  EXPECT_EQ(oneSep.o.getGetSeqBlastAccessionDelimiter1(), "a");
  EXPECT_EQ(oneSep.o.getGetSeqBlastAccessionDelimiter2(), "| ");
  EXPECT_EQ(oneSep.count(0x606), 1);
  Read empty("GetSeqBlastAccession\n");
  EXPECT_EQ(empty.e.getNumberOfErrors(), 0);
}

TEST(Options, LongBlastDelimitersAreCutTo254) {
  Read r("GetSeqBlastAccession (" + std::string(400, 'x') + "),(" + std::string(300, 'y') + "),(2)\n");
  EXPECT_EQ(r.o.getGetSeqBlastAccessionDelimiter1(), std::string(254, 'x'));
  EXPECT_EQ(r.o.getGetSeqBlastAccessionDelimiter2(), std::string(254, 'y'));
  EXPECT_EQ(r.o.getGetSeqBlastAccessionCount(), 2);
  EXPECT_EQ(r.count(0x606), 2);
}

TEST(Options, FlagsAndSpecialNumbers) {
  Read r("SaveLastQueryAscending 1\nSaveEveryLastQueryAsc 2\nStoreModPermutations\nUnixDirPerm 755\n"
         "Vmemory 1234.9\nMudpit\nMinPepLenInSearch\n");
  EXPECT_TRUE(r.o.getSaveLastQueryAsc());  // keys are prefixes of the line
  EXPECT_FALSE(r.o.getSaveEveryLastQueryAsc());
  EXPECT_TRUE(r.o.getStoreModPermutations());
  EXPECT_EQ(r.o.getUnixDirPerm(), 0755u);
  EXPECT_TRUE(r.o.isUnixDirPermSpecified());
  EXPECT_EQ(r.o.getVmemory(), 1234);
  EXPECT_EQ(r.o.getMudpit(), 1000);
  EXPECT_EQ(r.o.getMinPepLenInSearch(), 3);
  EXPECT_EQ(r.count(0x606), 2);
  Read v("Vmemory -5\nVmemory 1e30\n");
  EXPECT_EQ(v.o.getVmemory(), INT64_MAX);
  EXPECT_EQ(v.count(0x606), 1);
}

TEST(Options, SectionEndsOnlyAtLowerCaseEndAndKeepsRawLines) {
  qv_options o;
  qv_errors e;
  qv_config_lines lines("# note\nEND\nMaxQueries 50\nend\nMaxQueries 70\n");
  o.readSection(lines, "f", e);
  EXPECT_EQ(o.getMaxQueries(), 50);
  ASSERT_EQ(o.getRawLines().size(), 3u);
  EXPECT_TRUE(o.getRawLines()[0].isComment);
  EXPECT_EQ(o.getRawLines()[2].key, "MaxQueries");
  EXPECT_EQ(o.getRawLines()[2].value, "50");
  std::string rest;
  ASSERT_TRUE(lines.next(rest));
  EXPECT_EQ(rest, "MaxQueries 70");
}

TEST(Options, MessageNamesFileAndWholeLine) {
  Read r("MailTransport 9   \n");
  EXPECT_EQ(r.e.getErrorString(1),
            "Error in line in Options section of the configuration file tarnel.dat: MailTransport 9");
}

TEST(Options, NoKeyIsAPrefixOfAnother) {
  // Lines are matched against key prefixes; a key that began another would
  // make that other key's lines set both options.
  const auto keys = qv_options::keys();
  for (auto a : keys) {
    for (auto b : keys) {
      if (a != b) {
        EXPECT_NE(b.substr(0, a.size()), a) << a << " / " << b;
      }
    }
  }
}

TEST(Options, ValueTextForTheChecker) {
  Read r("ReportNumberChoices 5 auto\nIgnoreDupeAccessions: A, B\n");
  EXPECT_EQ(r.o.valueText("ReportNumberChoices"), "5,-1");
  EXPECT_EQ(r.o.valueText("IgnoreDupeAccessions"), "A,B");
  EXPECT_EQ(r.o.valueText("UnixDirPerm"), "0777");
  EXPECT_EQ(r.o.valueText("PrecursorCutOut"), "-1,-1");
  EXPECT_EQ(r.o.valueText("GetSeqBlastAccession"), "( ),(| ),(3)");
  EXPECT_EQ(r.o.valueText("NoSuchKey"), "");
  // Decimals as read: the shortest text that reads back to the same number.
  Read d("CentroidWidth 0.1\nScoreThresholdForAuto 1234567.5\nFeatureTableMinScore 13\nPrecursorCutOut 0.3,1e21\n");
  EXPECT_EQ(d.o.valueText("CentroidWidth"), "0.1");
  EXPECT_EQ(d.o.valueText("ScoreThresholdForAuto"), "1234567.5");
  EXPECT_EQ(d.o.valueText("FeatureTableMinScore"), "13");
  EXPECT_EQ(d.o.valueText("PrecursorCutOut"), "0.3,1e+21");
}

}  // namespace
