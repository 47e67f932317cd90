#include "results/qv_searchparams.h"

#include "platform/ascii.h"
#include "platform/file_io.h"
#include "results/name_code.h"
#include "results/qv_resultsfile.h"

std::string qv_searchparams::text(const char* key) const { return file_->getSectionValueStr(SEC_PARAMETERS, key); }

int qv_searchparams::getSEG() const { return file_->getSectionValueInt(SEC_PARAMETERS, "SEG"); }
double qv_searchparams::getTOL() const { return file_->getSectionValueDouble(SEC_PARAMETERS, "TOL"); }
double qv_searchparams::getITOL() const { return file_->getSectionValueDouble(SEC_PARAMETERS, "ITOL"); }
int qv_searchparams::getPFA() const { return file_->getSectionValueInt(SEC_PARAMETERS, "PFA"); }
int qv_searchparams::getREPORT() const { return file_->getSectionValueInt(SEC_PARAMETERS, "REPORT"); }
std::string qv_searchparams::getCOM() const { return text("COM"); }
std::string qv_searchparams::getTOLU() const { return text("TOLU"); }
std::string qv_searchparams::getITOLU() const { return text("ITOLU"); }
std::string qv_searchparams::getDB() const { return text("DB"); }
std::string qv_searchparams::getMODS() const { return text("MODS"); }
std::string qv_searchparams::getMASS() const { return text("MASS"); }
std::string qv_searchparams::getCLE() const { return text("CLE"); }
std::string qv_searchparams::getSEARCH() const { return text("SEARCH"); }
std::string qv_searchparams::getIT_MODS() const { return text("IT_MODS"); }
std::string qv_searchparams::getTAXONOMY() const { return text("TAXONOMY"); }
std::string qv_searchparams::getREPTYPE() const { return text("REPTYPE"); }
std::string qv_searchparams::getINSTRUMENT() const { return text("INSTRUMENT"); }

bool qv_searchparams::getICAT() const {
  return qv_platform::equalsIgnoringAsciiCase(text("ICAT"), "ON");
}

std::string qv_searchparams::getVarModsName(int n) const {
  const std::string value = file_->getSectionValueStr(SEC_MASSES, "delta" + std::to_string(n));
  const size_t comma = value.find(',');
  return comma == std::string::npos ? std::string() : value.substr(comma + 1);
}

// The web side (recognised by its "www.pl" in the working directory) stores
// the parent's name encoded: an optional leading "F", then the digits of the
// name in the name code, then the extension.
std::string qv_searchparams::getErrorTolerantParent() const {
  const std::string value = text("_errortolerantsearchparent");
  if (value.empty() || !qv_platform::pathExists("www.pl")) return value;
  const size_t slash = value.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : value.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? value : value.substr(slash + 1);
  if (!name.empty() && name.front() == 'F') {
    directory.push_back('F');
    name.erase(0, 1);
  }
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  const std::string decoded = qv_results::decodeName(stem);
  return decoded.empty() ? value : directory + decoded + extension;
}
