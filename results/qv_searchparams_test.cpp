#include "results/qv_searchparams.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "results/name_code.h"
#include "results/qv_resultsfile.h"
#include "results/results_test_util.h"

using qvresultstest::buildResultsFile;
using qvresultstest::sampleSections;
using qvresultstest::ScratchDir;

namespace {

std::string fileWithParameters(const ScratchDir& dir, const std::vector<std::string>& extra) {
  auto sections = sampleSections(1);
  for (const std::string& line : extra) sections[0].lines.push_back(line);
  return dir.write("r.dat", buildResultsFile(sections, false));
}

// Runs the body with the working directory set to `dir`, restoring it after.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~WorkingDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

TEST(SearchParams, TypedAccessorsAndTheirDefaults) {
  ScratchDir dir;
  qv_resultsfile f(fileWithParameters(dir, {"MODS=Carbamidomethyl (C)", "INSTRUMENT=ESI-TRAP"}));
  const qv_searchparams& p = f.getSearchParameters();
  EXPECT_EQ(p.getSEG(), -2);
  EXPECT_DOUBLE_EQ(p.getTOL(), 1.5);
  EXPECT_DOUBLE_EQ(p.getITOL(), 0.6);
  EXPECT_EQ(p.getPFA(), 1);
  EXPECT_EQ(p.getREPORT(), 20);
  EXPECT_EQ(p.getCOM(), "sample search");
  EXPECT_EQ(p.getTOLU(), "Da");
  EXPECT_EQ(p.getDB(), "SwissProt");
  EXPECT_EQ(p.getCLE(), "Trypsin");
  EXPECT_EQ(p.getMODS(), "Carbamidomethyl (C)");
  EXPECT_EQ(p.getSEARCH(), "MIS");
  EXPECT_EQ(p.getINSTRUMENT(), "ESI-TRAP");
  EXPECT_EQ(p.getIT_MODS(), "");
  EXPECT_EQ(p.getTAXONOMY(), "");
  EXPECT_EQ(p.getREPTYPE(), "");
  EXPECT_EQ(p.getMASS(), "");
  EXPECT_TRUE(p.getICAT());
  EXPECT_EQ(p.getVarModsName(1), "Oxidation (M)");
  EXPECT_EQ(p.getVarModsName(2), "Deamidated (NQ)");
  EXPECT_EQ(p.getVarModsName(3), "");
  EXPECT_EQ(p.getErrorTolerantParent(), "");
}

TEST(SearchParams, AbsentNumbersAndIcatSpellings) {
  ScratchDir dir;
  auto sections = sampleSections(1);
  sections[0].lines = {"ICAT=On", "SEARCH=pmf"};
  sections[2].lines = {"delta1=15.99"};
  qv_resultsfile f(dir.write("r.dat", buildResultsFile(sections, true)));
  const qv_searchparams& p = f.getSearchParameters();
  EXPECT_EQ(p.getSEG(), -1);
  EXPECT_EQ(p.getTOL(), 0.0);
  EXPECT_TRUE(p.getICAT());
  EXPECT_EQ(p.getVarModsName(1), "");  // no comma
  EXPECT_FALSE(f.isPMF());             // the comparison is exact
  for (const char* off : {"ICAT=off", "ICAT=ON2", "ICAT= on"}) {
    sections[0].lines = {off};
    qv_resultsfile g(dir.write("r.dat", buildResultsFile(sections, true)));
    EXPECT_FALSE(g.getSearchParameters().getICAT()) << off;
  }
}

TEST(SearchParams, ErrorTolerantParentIsDecodedOnlyBesideTheWebScript) {
  ScratchDir dir;
  const std::string encoded = "../data/20261206/F" + qv_results::encodeName("012345") + ".dat";
  qv_resultsfile f(fileWithParameters(dir, {"_errortolerantsearchparent=" + encoded, "ERRORTOLERANT=1"}));
  EXPECT_TRUE(f.isErrorTolerant());
  const qv_searchparams& p = f.getSearchParameters();
  WorkingDirectory here(dir.path());
  EXPECT_EQ(p.getErrorTolerantParent(), encoded);
  dir.write("www.pl", "#!/usr/bin/perl\n");
  EXPECT_EQ(p.getErrorTolerantParent(), "../data/20261206/F012345.dat");
}

TEST(SearchParams, UndecodableParentNamesAreReturnedAsStored) {
  ScratchDir dir;
  dir.write("www.pl", "");
  WorkingDirectory here(dir.path());
  for (const std::string& stored :
       std::vector<std::string>{"F012345.dat", "plainname", "../x/" + qv_results::encodeName("0123456789") + "Q.dat"}) {
    qv_resultsfile f(fileWithParameters(dir, {"_errortolerantsearchparent=" + stored}));
    EXPECT_EQ(f.getSearchParameters().getErrorTolerantParent(), stored);
  }
  // No directory and no leading F: the whole value is the name.
  const std::string bare = qv_results::encodeName("987") + ".dat";
  qv_resultsfile g(fileWithParameters(dir, {"_errortolerantsearchparent=" + bare}));
  EXPECT_EQ(g.getSearchParameters().getErrorTolerantParent(), "987.dat");
}

}  // namespace
