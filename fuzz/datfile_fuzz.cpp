// Fuzz target: any bytes as the text of tarnel.dat, read by the configuration
// object with every section reader. Reading must end with messages and
// defaults, never a crash, a hang or an unbounded read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/qv_datfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  qv_datfile d;
  d.readString(text, "tarnel.dat");
  // Touch what the readers produced, so that bad state shows up here.
  (void)d.isValid();
  for (int n = 1; n <= d.getNumberOfErrors(); ++n) (void)d.getErrorString(n).size();
  for (std::string_view key : qv_options::keys()) (void)d.getOptions().valueText(key).size();
  (void)d.getDatabases().dumpLines();
  (void)d.getParseRules().dumpLines();
  (void)d.getTaxonomyRules().dumpLines();
  (void)d.getCron().dumpLines();
  (void)d.getWWW().dumpLines();
  return 0;
}
