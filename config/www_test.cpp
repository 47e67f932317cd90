#include "config/www.h"

#include <gtest/gtest.h>

namespace {

const std::string kFile = "tarnel.dat";

qv_www readWww(const std::string& text, qv_errors& errors) {
  qv_config_lines in(text);
  qv_www www;
  readWwwSection(in, kFile, errors, www);
  return www;
}

TEST(WwwSection, ReadsEntriesWithUnderscoresInTheName) {
  qv_errors errors;
  const qv_www www = readWww(
      "# endpoints\n"
      "SwissProt_SEQ \"2\" \"localhost\" \"80\" \"/cgi/getseq.pl?SwissProt+#ACCESSION#+seq\"\n"
      "NCBI_nr_REP\t\"3\"  \"www.example.org\"  \"8080\"  \"/cgi/report.pl?#ACCESSION#\"  \r\n"
      "END\n"
      "end\n"
      "Late_SEQ \"1\" \"h\" \"1\" \"/\"\n",
      errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 1);  // END is no end line here, and no entry either
  ASSERT_EQ(www.getNumberOfEntries(), 2);
  const qv_wwwentry& seq = www.getEntry(0);
  EXPECT_EQ(seq.databaseName, "SwissProt");
  EXPECT_EQ(seq.kind, "SEQ");
  EXPECT_EQ(seq.number, 2);
  EXPECT_EQ(seq.host, "localhost");
  EXPECT_EQ(seq.port, 80);
  EXPECT_EQ(seq.path, "/cgi/getseq.pl?SwissProt+#ACCESSION#+seq");
  const qv_wwwentry& rep = www.getEntry(1);
  EXPECT_EQ(rep.databaseName, "NCBI_nr");
  EXPECT_EQ(rep.kind, "REP");
  EXPECT_EQ(rep.port, 8080);
  EXPECT_EQ(www.dumpLines()[1],
            "WWW=NCBI_nr_REP number=3 host=www.example.org port=8080 path=/cgi/report.pl?#ACCESSION#");
  EXPECT_EQ(www.getRawLines().size(), 4u);
}

TEST(WwwSection, BreachesOfTheFormWarnAndDropTheLine) {
  const char* bad[] = {
      "NoUnderscore \"1\" \"h\" \"80\" \"/p\"", "DB_SEQ\"1\" \"h\" \"80\" \"/p\"",
      "DB_XYZ \"1\" \"h\" \"80\" \"/p\"",       "DB_SEQ \"one\" \"h\" \"80\" \"/p\"",
      "DB_SEQ \"1\" \"h\" \"port\" \"/p\"",     "DB_SEQ \"1\" \"h\" \"80\" \"/p",
      "DB_SEQ 1 \"h\" \"80\" \"/p\"",           "DB_SEQ \"1\" \"h\" \"70000\" \"/p\"",
      "_SEQ \"1\" \"h\" \"80\" \"/p\"",         "DB_SEQ",
  };
  for (const char* line : bad) {
    qv_errors errors;
    const qv_www www = readWww(std::string(line) + "\nend\n", errors);
    EXPECT_EQ(www.getNumberOfEntries(), 0) << line;
    ASSERT_EQ(errors.getNumberOfErrors(), 1) << line;
    EXPECT_EQ(errors.getErrorNumber(1), 0x61E);
    EXPECT_EQ(errors.getErrorString(1), std::string("Error in WWW section of tarnel.dat: ") + line);
  }
}

}  // namespace
