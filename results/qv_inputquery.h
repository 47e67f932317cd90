#pragma once
// The data of one query: its own section's title, charge, peak lists and
// qualifiers. Built on demand, one query at a time.
#include <string>
#include <utility>
#include <vector>

class qv_resultsfile;

class qv_inputquery {
 public:
  /// Reads query q of `file`. The peak lists are fetched when first asked
  /// for, so `file` must outlive this object.
  qv_inputquery(const qv_resultsfile& file, int q);

  int getQueryNumber() const { return q_; }
  /// The title with "%XX" hexadecimal escapes decoded.
  const std::string& getTitle() const { return title_; }
  /// The title as written in the file.
  const std::string& getRawTitle() const { return rawTitle_; }
  const std::string& getCharge() const { return charge_; }
  double getMassMin() const { return massMin_; }
  double getMassMax() const { return massMax_; }
  double getIntMin() const { return intMin_; }
  double getIntMax() const { return intMax_; }
  int getNumVals() const { return numVals_; }
  int getNumUsed() const { return numUsed_; }

  /// Peak list text of ion series 1 to 3 ("Ions<series>"); empty when
  /// "num_vals" is 0 or the series is outside 1 to 3.
  const std::string& getIonsString(int series) const;
  /// The peak list as (mass, intensity) pairs; items without ":" are skipped.
  std::vector<std::pair<double, double>> getIons(int series) const;
  /// True when the peak list text of the series is not empty; reads only the
  /// first bytes of a list kept on disk.
  bool hasIons(int series) const;

  /// Sequence, composition and tag qualifiers 1 to 20 (empty outside).
  const std::string& getSeq(int i) const;
  const std::string& getComp(int i) const;
  const std::string& getTag(int i) const;
  /// True when tag i is an error-tolerant tag (its value begins with "e").
  bool isErrorTolerantTag(int i) const;
  /// The tag proper: the text after the first comma of tag i.
  std::string getTagString(int i) const;

  double getPepTol() const { return pepTol_; }
  const std::string& getPepTolUnits() const { return pepTolUnits_; }
  /// "peptol(<tolerance>,<unit>)", or empty when the tolerance is 0.
  std::string getPepTolString() const;

  /// "peptol(<tolerance>,<unit>)" for a tolerance that is not 0, else empty.
  static std::string pepTolText(double tolerance, const std::string& unit);
  /// Splits a "PepTol" value into its tolerance and unit.
  static void splitPepTol(const std::string& value, double& tolerance, std::string& unit);
  /// Splits a peak list text into (mass, intensity) pairs.
  static std::vector<std::pair<double, double>> parsePeakList(const std::string& text);
  /// Replaces "%XX" (two hexadecimal digits) by the character with that code.
  static std::string decodeTitle(const std::string& title);

 private:
  static constexpr int kQualifiers = 20;
  const qv_resultsfile* file_;
  int q_;
  std::string rawTitle_;
  std::string title_;
  std::string charge_;
  double massMin_ = 0;
  double massMax_ = 0;
  double intMin_ = 0;
  double intMax_ = 0;
  int numVals_ = 0;
  int numUsed_ = 0;
  mutable bool ionsRead_[3] = {false, false, false};
  mutable std::string ions_[3];
  std::vector<std::string> seq_;
  std::vector<std::string> comp_;
  std::vector<std::string> tag_;
  double pepTol_ = 0;
  std::string pepTolUnits_;
};
