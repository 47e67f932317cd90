#pragma once
// Typed view of the search parameters section of a results file. Each
// accessor reads its key on every call.
#include <string>

class qv_resultsfile;

class qv_searchparams {
 public:
  /// `file` must outlive this object (the results file owns it).
  explicit qv_searchparams(const qv_resultsfile& file) : file_(&file) {}
  virtual ~qv_searchparams() = default;
  qv_searchparams(const qv_searchparams&) = delete;
  qv_searchparams& operator=(const qv_searchparams&) = delete;

  int getSEG() const;     ///< "SEG"; -1 when absent
  double getTOL() const;  ///< "TOL"; 0 when absent
  double getITOL() const;
  int getPFA() const;
  int getREPORT() const;
  std::string getCOM() const;
  std::string getTOLU() const;
  std::string getITOLU() const;
  std::string getDB() const;
  std::string getMODS() const;
  std::string getMASS() const;
  std::string getCLE() const;
  std::string getSEARCH() const;
  std::string getIT_MODS() const;
  std::string getTAXONOMY() const;
  std::string getREPTYPE() const;
  /// True when "ICAT" in upper case is exactly "ON".
  bool getICAT() const;
  std::string getINSTRUMENT() const;
  /// Path of the parent search's results file of an error-tolerant search.
  /// When a file "www.pl" exists in the working directory the stored name is
  /// the web side's encoded form and is decoded; otherwise it is returned as
  /// stored.
  std::string getErrorTolerantParent() const;
  /// Name of variable modification n: the text after the first comma of
  /// "delta<n>" in the masses section; empty when absent or without a comma.
  std::string getVarModsName(int n) const;

 private:
  std::string text(const char* key) const;
  const qv_resultsfile* file_;
};
